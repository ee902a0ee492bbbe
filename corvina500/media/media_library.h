// The Host's media library: the tracks found in a list of folders. A scan
// reads every media file below them; files that cannot be read are left
// out and reported, one line each. A disabled library holds nothing.
// Paths are looked up ignoring case, as the Windows file system does.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/track_info.h"

namespace cor {

class media_library {
public:
    using t_item = std::shared_ptr<const t_track_info>;
    // Receives "<path>: <error>" for every file or folder that cannot be read.
    using t_report = std::function<void(std::string_view line)>;
    // Told the files handled and the files listed as a scan goes; false
    // stops the scan there: the items are those handled so far, and a later
    // scan still reads only what changed.
    using t_progress = std::function<bool(size_t done, size_t total)>;

    void set_folders(std::vector<std::string> folders) { folders_ = std::move(folders); }
    [[nodiscard]] const std::vector<std::string>& folders() const { return folders_; }
    // False when the folder is already listed (ignoring case).
    bool add_folder(std::string_view folder);
    // False when the folder is not listed.
    bool remove_folder(std::string_view folder);

    // Disabling empties the library; enabling does not scan.
    void set_enabled(bool enabled);
    [[nodiscard]] bool enabled() const { return enabled_; }

    // Replaces the items with what the folders hold now and returns their
    // count. A file below two listed folders is read once; a file whose
    // size and last write time are those of the scan before is not read
    // again (nor reported again when it could not be read), and files gone
    // from the folders leave.
    size_t scan(const t_report& report = {}, const t_progress& progress = {});
    // What the last scan did.
    struct t_scan_counts {
        size_t read = 0, kept = 0, dropped = 0;
    };
    [[nodiscard]] const t_scan_counts& last_scan() const { return counts_; }
    void clear();

    // What the scans know of each file (its size, write time and track, or
    // why it did not read), as bytes to keep between runs. Given back to a
    // library, they spare its next scan every file unchanged since; damaged
    // or foreign bytes are refused (false) and leave nothing known.
    [[nodiscard]] std::string save_known() const;
    bool load_known(std::string_view bytes);

    [[nodiscard]] size_t item_count() const { return items_.size(); }
    [[nodiscard]] const std::vector<t_item>& items() const { return items_; }
    // Null when no item has this path.
    [[nodiscard]] t_item find(std::string_view path) const;

private:
    std::vector<std::string> folders_;
    bool enabled_ = true;
    std::vector<t_item> items_;
    std::unordered_map<std::string, size_t> by_path_;  // path key -> index in items_
    // Per path key, the size and write time the last scan read the file at,
    // and the item it gave (null with the error of a file that did not read).
    struct t_known {
        uint64_t size = 0, written = 0;
        t_item item;
        std::string error;
    };
    std::unordered_map<std::string, t_known> known_;
    t_scan_counts counts_;
};

}  // namespace cor
