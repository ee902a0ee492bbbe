// Temporary files that a save killed halfway leaves behind. Every file the
// component writes goes first to "NAME.tmp<pid>-<tick>" beside its target
// and is renamed into place; a kill between the two leaves that file for
// ever. Once the main window shows, such files are removed from the profile
// folder and from beside the backup files, unless the process that wrote
// them still runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// The writing process's id when `name` is "NAME.tmp<pid>-<tick>" for a
// non-empty NAME (and `target` non-empty, that NAME ignoring case), else 0.
unsigned long save_leftover_pid(std::wstring_view name, std::wstring_view target = {});

// Removes the leftovers of dead processes: every one in `folder`, or only
// those of the file `target` in it; returns the paths removed.
std::vector<std::wstring> remove_save_leftovers(const std::wstring& folder,
                                                std::wstring_view target = {});

// After start-up: the profile folder, and beside each file that the backup-name
// script names for start, exit and periodic backups.
void remove_startup_leftovers();

}  // namespace vesk
