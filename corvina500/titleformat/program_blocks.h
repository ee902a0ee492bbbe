// Memory for compiled programs. Compiling a short script and dropping it
// again is common (a command's script, a script run once), and the general
// heap costs about as much as parsing such a script: each thread keeps a
// few freed blocks of each small size for its next programs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cor::tf {

// At least `bytes`; `kept` is what free_program_block needs back (0 for a
// block from the general heap alone).
[[nodiscard]] void* allocate_program_block(size_t bytes, uint32_t& kept);
void free_program_block(void* block, uint32_t kept);

}  // namespace cor::tf
