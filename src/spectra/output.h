// Checked reads and writes of whole texts: a file or standard input read in
// full, standard output written in full, and a file replaced atomically.
#pragma once

#include <string>
#include <string_view>

namespace grafen::spectra {

// The whole content of the file at path, or of standard input for "-".
// Throws std::system_error (the path is for the caller's message).
std::string ReadWhole(const std::string& path);

// Writes all of text to the descriptor; throws std::system_error.
void WriteWhole(int fd, std::string_view text);

// Writes text to a temporary file beside path and renames it onto path, so
// that path holds either its old content or all of text, never a part.
// Throws std::system_error; the temporary file is gone then.
void ReplaceFile(const std::string& path, std::string_view text);

}  // namespace grafen::spectra
