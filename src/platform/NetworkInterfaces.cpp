#include "platform/NetworkInterfaces.h"

#include <algorithm>
#include <tuple>

namespace dravel {

std::vector<TNetworkInterface> CountedInterfaces(std::vector<TNetworkInterface> All,
                                                 const std::vector<std::string>& Chosen) {
  const auto IsChosen = [&Chosen](const TNetworkInterface& Interface) {
    return std::find(Chosen.begin(), Chosen.end(), Interface.Name) != Chosen.end();
  };
  std::erase_if(All, [&](const TNetworkInterface& Interface) {
    const bool Counted = Interface.Up && !Interface.Loopback && !Interface.CountedElsewhere;
    return !Counted && !IsChosen(Interface);
  });
  // An interface whose index is unknown goes after the known ones, by name.
  std::sort(All.begin(), All.end(), [](const TNetworkInterface& A, const TNetworkInterface& B) {
    const auto Key = [](const TNetworkInterface& I) {
      return std::make_tuple(!I.Physical, I.Index == 0, I.Index, std::string_view(I.Name));
    };
    return Key(A) < Key(B);
  });
  return All;
}

}  // namespace dravel
