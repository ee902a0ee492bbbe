// The Host's built-in text and path functions, for the table of every
// built-in function.
#pragma once

#include <string>

#include "eval.h"

namespace cor::tf::builtin_text {

bool fn_len(evaluator&, call_args&, std::string&);
bool fn_len2(evaluator&, call_args&, std::string&);
bool fn_left(evaluator&, call_args&, std::string&);
bool fn_right(evaluator&, call_args&, std::string&);
bool fn_substr(evaluator&, call_args&, std::string&);
bool fn_insert(evaluator&, call_args&, std::string&);
bool fn_pad(evaluator&, call_args&, std::string&);
bool fn_pad_right(evaluator&, call_args&, std::string&);
bool fn_padcut(evaluator&, call_args&, std::string&);
bool fn_padcut_right(evaluator&, call_args&, std::string&);
bool fn_repeat(evaluator&, call_args&, std::string&);
bool fn_replace(evaluator&, call_args&, std::string&);
bool fn_trim(evaluator&, call_args&, std::string&);
bool fn_upper(evaluator&, call_args&, std::string&);
bool fn_lower(evaluator&, call_args&, std::string&);
bool fn_caps(evaluator&, call_args&, std::string&);
bool fn_caps2(evaluator&, call_args&, std::string&);
bool fn_abbr(evaluator&, call_args&, std::string&);
bool fn_num(evaluator&, call_args&, std::string&);
bool fn_hex(evaluator&, call_args&, std::string&);
bool fn_char(evaluator&, call_args&, std::string&);
bool fn_crlf(evaluator&, call_args&, std::string&);
bool fn_tab(evaluator&, call_args&, std::string&);
bool fn_strchr(evaluator&, call_args&, std::string&);
bool fn_strrchr(evaluator&, call_args&, std::string&);
bool fn_strstr(evaluator&, call_args&, std::string&);
bool fn_longest(evaluator&, call_args&, std::string&);
bool fn_shortest(evaluator&, call_args&, std::string&);
bool fn_roman(evaluator&, call_args&, std::string&);
bool fn_progress(evaluator&, call_args&, std::string&);
bool fn_progress2(evaluator&, call_args&, std::string&);
bool fn_stripprefix(evaluator&, call_args&, std::string&);
bool fn_swapprefix(evaluator&, call_args&, std::string&);
bool fn_rot13(evaluator&, call_args&, std::string&);
bool fn_ascii(evaluator&, call_args&, std::string&);
bool fn_ansi(evaluator&, call_args&, std::string&);
bool fn_directory(evaluator&, call_args&, std::string&);
bool fn_directory_path(evaluator&, call_args&, std::string&);
bool fn_filename(evaluator&, call_args&, std::string&);
bool fn_ext(evaluator&, call_args&, std::string&);
bool fn_fix_eol(evaluator&, call_args&, std::string&);
bool fn_crc32(evaluator&, call_args&, std::string&);

}  // namespace cor::tf::builtin_text
