#include "census/family_list.h"

#include "io/text.h"

namespace grafen::census {

const char* const kFamilyListHeader = "matrix,order,edges,family,size,graph,graph6\r\n";

void AppendFamilyMember(std::string& text, const FamilyMember& member) {
  text.append(member.matrix);
  for (const std::int64_t value : {std::int64_t{member.order}, std::int64_t{member.edges},
                                   member.family, member.size, member.graph}) {
    text.push_back(',');
    io::AppendNumber(text, value);
  }
  text.push_back(',');
  text.append(member.graph6).append("\r\n");
}

}  // namespace grafen::census
