// Atomic replacement of a file by another in the same folder.
#pragma once

#include <cstdio>
#include <string>

namespace qlv {

// Moves `from` over `to` in one step: afterwards `to` holds either its old or
// its new content, never a mixture. False when the move failed (`from` stays).
bool ReplaceFileAtomically(const std::string& from, const std::string& to);

// Pushes the stream's written bytes through to the disk. False on failure.
bool FlushToDisk(std::FILE* f);

}  // namespace qlv
