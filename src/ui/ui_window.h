// The component as the Host's user interface: start-up and shutdown.
#pragma once

#include "host/identity.h"
#include "user_interface.h"

namespace vesk {

class vesk_ui_window : public cor::user_interface {
public:
    vesk_ui_window();
    ~vesk_ui_window();

    void get_name(cor::string_sink& out) override;
    void* init(cor::ui_message_hook hook) override;
    void shutdown() override;
    void activate() override;
    void hide() override;
    bool is_visible() override;
    cor::guid get_guid() override;
    void override_status_text(const char*, size_t) override {}
    void revert_status_text() override {}
    void show_now_playing() override {}

private:
    void* rich_edit_ = nullptr;
};

}  // namespace vesk
