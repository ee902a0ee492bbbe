// One object of type T per thread, made at the thread's first use and
// destroyed when the thread ends.
//
// A thread_local object with a destructor is not used for this: where
// thread-local storage is emulated (mingw-w64), that storage may be freed
// at the end of a thread before such destructors run, which then read
// freed memory. Here the thread-local variable is a plain pointer, and the
// object is destroyed through a thread key whose destructor is handed the
// pointer itself.
#pragma once

#include <pthread.h>

namespace cor::tf {

template <class T>
class per_thread {
public:
    static T& get() {
        if (T* p = object_) [[likely]]
            return *p;
        return make();
    }
    // The thread's object, or null when it has none (yet, or any more).
    static T* existing() { return object_; }

private:
    static pthread_key_t key() {
        static const pthread_key_t k = [] {
            pthread_key_t made{};
            pthread_key_create(&made, &destroy);
            return made;
        }();
        return k;
    }
    [[gnu::noinline]] static T& make() {
        T* p = new T();
        object_ = p;
        pthread_setspecific(key(), p);
        return *p;
    }
    static void destroy(void* p) {
        object_ = nullptr;
        delete static_cast<T*>(p);
    }

    static constinit thread_local T* object_;
};

template <class T>
constinit thread_local T* per_thread<T>::object_ = nullptr;

}  // namespace cor::tf
