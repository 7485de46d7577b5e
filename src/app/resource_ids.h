// Ids of the resources that qlypatch.rc embeds in the exe (the .rc names them by number).
#pragma once

namespace qly::app {

inline constexpr int kIconResource = 1;
inline constexpr int kCloseBitmapResource = 101;
inline constexpr int kMinimizeBitmapResource = 102;

} // namespace qly::app
