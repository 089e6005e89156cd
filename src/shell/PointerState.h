#pragma once
// The pointer an operation asks its front end to show: default, busy or hand.
// The numbers are the ones the windows have always stored.

namespace shell {

enum class PointerState : int { Default = 0, Busy = 11, Hand = 99 };

} // namespace shell
