// Lines out of a stream that arrives in pieces cut anywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace grafen {

// Hands every line that `piece` completes to take(line), without its '\n',
// in order; the start of a line whose end has not arrived yet waits in
// `partial` for the next piece. Before a line would grow past `longest`
// bytes, refuse(partial, part) is called with what is held and what came,
// and must throw: nothing longer is ever held.
template <typename Refuse, typename Take>
void FeedLines(std::string& partial, std::string_view piece, std::size_t longest, Refuse refuse,
               Take take) {
  while (!piece.empty()) {
    const std::size_t end = piece.find('\n');
    const std::string_view part = piece.substr(0, end);
    if (partial.size() + part.size() > longest) refuse(partial, part);
    if (end == std::string_view::npos) {
      partial.append(part);
      return;
    }
    if (partial.empty()) {
      take(part);
    } else {
      partial.append(part);
      take(std::string_view(partial));
      partial.clear();
    }
    piece.remove_prefix(end + 1);
  }
}

}  // namespace grafen
