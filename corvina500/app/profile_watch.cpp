#include "app/profile_watch.h"

#include <windows.h>

#include <algorithm>
#include <thread>

#include "corvina500/config/config_store.h"
#include "corvina500/config/profile_folder.h"
#include "corvina500/panels/panel_types.h"
#include "sdk/titleformat.h"
#include "titleformat/titleformat.h"
#include "utf8.h"

namespace cor {
namespace {

constexpr wchar_t class_name[] = L"corvina500_profile_watch";
constexpr UINT changed_message = WM_APP + 7;
constexpr UINT_PTR settle_timer = 1;

std::vector<t_known_panel> known_panels() {
    std::vector<t_known_panel> out;
    for (const auto& t : panels::panel_types()) out.push_back({t.id, t.name, t.category});
    return out;
}

bool compiles(std::string_view script, size_t& offset, std::string& what) {
    bool ok = true;
    tf::compile_error error;
    (void)tf::compile(script, ok, &error);
    if (ok) return true;
    offset = error.offset;
    what = error.message;
    return false;
}

// Saves that matter: the manifest and scripts, not the store the player
// itself writes there, nor editors' and the tool's temporary files.
bool matters(std::wstring_view name) {
    const auto ends = [&](std::wstring_view tail) {
        return name.size() >= tail.size() &&
               _wcsnicmp(name.data() + name.size() - tail.size(), tail.data(), tail.size()) == 0;
    };
    return ends(L".json") || ends(L".tf");
}

}  // namespace

class profile_watch::impl {
public:
    impl(std::string folder, console_fn console)
        : folder_(std::move(folder)), console_(std::move(console)), types_(known_panels()) {
        face_ = new service_impl_t<sources_face>(this);
        sources_ = service_ptr_t<profile_sources>(face_);
    }

    ~impl() {
        face_->owner = nullptr;
        stop();
        if (wnd_) DestroyWindow(wnd_);
    }

    service_ptr_t<profile_sources> sources() const { return sources_; }

    // The script's file, with the line ends the file had, through a
    // temporary file renamed into place.
    void write_script(const guid& setting, const guid& window, std::string_view text) {
        const auto it = std::find_if(files_.begin(), files_.end(), [&](const t_script_source& s) {
            return s.setting == setting && s.window == window;
        });
        if (it == files_.end()) {
            console_(
                "corvina500: this script has no file in profile.json; it is kept in the "
                "settings only");
            return;
        }
        std::wstring path = to_wide(folder_ + "\\" + it->file);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        bool crlf = false;
        if (const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
            h != INVALID_HANDLE_VALUE) {
            char head[4096];
            DWORD got = 0;
            if (ReadFile(h, head, sizeof head, &got, nullptr))
                crlf = std::string_view(head, got).find("\r\n") != std::string_view::npos;
            CloseHandle(h);
        }
        std::string bytes;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                bytes += crlf ? "\r\n" : "\n";
            } else {
                bytes += text[i];
            }
        }
        const std::wstring temporary = path + L".tmp";
        const HANDLE out = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        const bool ok =
            out != INVALID_HANDLE_VALUE &&
            WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(out);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (!ok || !MoveFileExW(temporary.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(temporary.c_str());
            console_("corvina500: could not write " + it->file);
        }
    }

    std::optional<t_profile> read() {
        t_profile_fault fault;
        auto profile = read_profile_folder(folder_, types_, compiles, fault);
        if (!profile) console_("corvina500: " + fault.text() + " (nothing changed)");
        return profile;
    }

    void make_store(host_config_store& store) {
        const auto profile = read();
        if (!profile) return;
        remember(*profile);
        const t_settings made = profile_over(*profile, [&](const guid& id) {
            std::string bytes;
            return store.get_raw(id, bytes) ? std::optional<std::string>(bytes) : std::nullopt;
        });
        for (const auto& [id, bytes] : made) store.set_raw(id, bytes);
    }

    void start(std::vector<service_ptr_t<config_io>> io, service_ptr_t<settings_reload> reload,
               bool notices) {
        io_ = std::move(io);
        reload_ = std::move(reload);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &impl::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = class_name;
        RegisterClassExW(&wc);
        wnd_ = CreateWindowExW(0, class_name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, this);
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        const DWORD attributes = GetFileAttributesW(to_wide(folder_).c_str());
        if (!wnd_ || !stop_ || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            console_("corvina500: --watch: cannot watch " + folder_);
            return;
        }
        if (notices) thread_ = std::thread([this] { watch(); });
    }

    bool reload_now() {
        const auto profile = read();
        if (!profile) return false;
        if (!reload_) return true;
        // Where the windows stand now, in the variables, before comparing.
        std::map<guid, std::pair<size_t, config_io*>, guid_less> where;
        for (auto& io : io_) {
            io->on_before_save();
            for (size_t i = 0, n = io->get_var_count(); i < n; ++i)
                if (guid id{}; io->get_var_guid(i, id)) where[id] = {i, io.get()};
        }
        // Each variable's bytes asked once: merging and comparing both read them.
        std::map<guid, std::optional<std::string>, guid_less> read;
        const auto current = [&](const guid& id) -> std::optional<std::string> {
            const auto known = read.find(id);
            if (known != read.end()) return known->second;
            std::optional<std::string> value;
            if (const auto it = where.find(id); it != where.end()) {
                string_out bytes;
                if (it->second.second->get_var_raw(it->second.first, bytes))
                    value = std::move(bytes.text);
            }
            return read.emplace(id, std::move(value)).first->second;
        };
        // Windows the folder named before and names no more go.
        std::vector<guid> dropped;
        for (const guid& id : named_)
            if (std::none_of(profile->windows.begin(), profile->windows.end(),
                             [&](const t_profile_window& w) { return w.id == id; }))
                dropped.push_back(id);
        remember(*profile);
        std::vector<guid> ids;
        std::vector<const void*> data;
        std::vector<size_t> lengths;
        const t_settings made = profile_over(*profile, current, dropped);
        for (const auto& [id, bytes] : made) {
            if (current(id) == bytes) continue;
            ids.push_back(id);
            data.push_back(bytes.data());
            lengths.push_back(bytes.size());
        }
        if (!ids.empty()) reload_->reload(ids.data(), data.data(), lengths.data(), ids.size());
        console_("corvina500: read " + folder_ + " again: " + std::to_string(ids.size()) +
                 (ids.size() == 1 ? " setting changed" : " settings changed"));
        return true;
    }

private:
    void remember(const t_profile& profile) {
        named_.clear();
        for (const auto& w : profile.windows) named_.push_back(w.id);
        files_ = profile.sources;
    }

    class sources_face : public profile_sources {
    public:
        explicit sources_face(impl* o) : owner(o) {}
        void script_stored(const guid& setting, const guid& window, const char* text,
                           size_t length) override {
            if (owner) owner->write_script(setting, window, {text, length});
        }
        impl* owner;
    };

    static LRESULT CALLBACK proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(wnd, GWLP_USERDATA,
                              LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<impl*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && msg == changed_message) {
            // Each save in a burst starts the wait again.
            SetTimer(wnd, settle_timer, settle_ms, nullptr);
            return 0;
        }
        if (self && msg == WM_TIMER && wp == settle_timer) {
            KillTimer(wnd, settle_timer);
            (void)self->reload_now();
            return 0;
        }
        return DefWindowProcW(wnd, msg, wp, lp);
    }

    // The folders watched: the profile's and those under it, each on its
    // own (a watch of a whole tree is not delivered everywhere: under Wine
    // only the top folder's saves arrive). Hidden folders (version
    // control's) are left out; a deep or wide tree is cut at 60 folders.
    std::vector<std::wstring> folders() const {
        std::vector<std::wstring> out{to_wide(folder_)};
        for (size_t i = 0; i < out.size() && out.size() < 60; ++i) {
            WIN32_FIND_DATAW found{};
            const HANDLE h = FindFirstFileW((out[i] + L"\\*").c_str(), &found);
            if (h == INVALID_HANDLE_VALUE) continue;
            do {
                const std::wstring_view name = found.cFileName;
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." &&
                    name != L".." && name.front() != L'.' &&
                    !(found.dwFileAttributes &
                      (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_REPARSE_POINT)) &&
                    out.size() < 60)
                    out.push_back(out[i] + L"\\" + std::wstring(name));
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        return out;
    }

    struct t_watched {
        std::wstring path;
        HANDLE directory = INVALID_HANDLE_VALUE;
        HANDLE event = nullptr;
        OVERLAPPED done{};
        alignas(DWORD) char buffer[8192];

        bool ask() {
            ResetEvent(event);
            done = {};
            done.hEvent = event;
            return ReadDirectoryChangesW(
                       directory, buffer, sizeof buffer, FALSE,
                       FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                           FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE,
                       nullptr, &done, nullptr) != FALSE;
        }
        ~t_watched() {
            if (directory != INVALID_HANDLE_VALUE) {
                CancelIo(directory);
                DWORD ignored = 0;
                GetOverlappedResult(directory, &done, &ignored, TRUE);
                CloseHandle(directory);
            }
            if (event) CloseHandle(event);
        }
    };

    // The watching thread: the platform's change notices, posted to the
    // main thread, which alone touches settings and windows. A folder made
    // or removed has the folders counted again.
    void watch() {
        for (bool again = true; again;) {
            again = false;
            std::vector<std::unique_ptr<t_watched>> watched;
            std::vector<HANDLE> waits{stop_};
            for (const std::wstring& f : folders()) {
                auto w = std::make_unique<t_watched>();
                w->path = f;
                w->directory = CreateFileW(
                    f.c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
                w->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                if (w->directory == INVALID_HANDLE_VALUE || !w->event || !w->ask()) continue;
                waits.push_back(w->event);
                watched.push_back(std::move(w));
            }
            while (!again) {
                const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(waits.size()),
                                                       waits.data(), FALSE, INFINITE);
                if (r == WAIT_OBJECT_0 || r < WAIT_OBJECT_0 || r >= WAIT_OBJECT_0 + waits.size())
                    return;
                t_watched& w = *watched[r - WAIT_OBJECT_0 - 1];
                DWORD got = 0;
                const bool read = GetOverlappedResult(w.directory, &w.done, &got, FALSE) != FALSE;
                // An overflowing burst reports nothing; it is read all the same.
                bool relevant = read && got == 0;
                for (DWORD at = 0; read && at < got;) {
                    const auto* n = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(w.buffer + at);
                    const std::wstring_view name{n->FileName, n->FileNameLength / sizeof(wchar_t)};
                    relevant = relevant || matters(name);
                    if (n->Action == FILE_ACTION_ADDED ||
                        n->Action == FILE_ACTION_RENAMED_NEW_NAME) {
                        const DWORD a =
                            GetFileAttributesW((w.path + L"\\" + std::wstring(name)).c_str());
                        again = again ||
                                (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY));
                    }
                    if (!n->NextEntryOffset) break;
                    at += n->NextEntryOffset;
                }
                if (!again && !w.ask()) again = true;
                // Saves made while the folders are counted again are not
                // told: the folder is read once more all the same.
                if (relevant || again) PostMessageW(wnd_, changed_message, 0, 0);
            }
        }
    }

    void stop() {
        if (stop_) SetEvent(stop_);
        if (thread_.joinable()) thread_.join();
        if (stop_) CloseHandle(stop_);
        stop_ = nullptr;
    }

    std::string folder_;
    console_fn console_;
    std::vector<t_known_panel> types_;
    // The windows the folder named when it was last read, and its scripts' files.
    std::vector<guid> named_;
    std::vector<t_script_source> files_;
    service_impl_t<sources_face>* face_ = nullptr;
    service_ptr_t<profile_sources> sources_;
    std::vector<service_ptr_t<config_io>> io_;
    service_ptr_t<settings_reload> reload_;
    HWND wnd_ = nullptr;
    HANDLE stop_ = nullptr;
    std::thread thread_;
};

profile_watch::profile_watch(std::string folder, console_fn console)
    : impl_(std::make_unique<impl>(std::move(folder), std::move(console))) {}
profile_watch::~profile_watch() = default;
void profile_watch::make_store(host_config_store& store) { impl_->make_store(store); }
void profile_watch::start(std::vector<service_ptr_t<config_io>> io,
                          service_ptr_t<settings_reload> reload, bool notices) {
    impl_->start(std::move(io), std::move(reload), notices);
}
bool profile_watch::reload_now() { return impl_->reload_now(); }
service_ptr_t<profile_sources> profile_watch::sources() { return impl_->sources(); }

}  // namespace cor
