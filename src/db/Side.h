#pragma once
// Which of the two databases: the one name for a side in the whole program,
// whether it is a copy's target, a command's side or the side of a list.
// (Which server answers on a side, and how it behaves, is db::ServerKind.)
namespace db {

enum class Side : unsigned char { Oracle, Db2 };

constexpr Side OtherSide(Side side) {
    return side == Side::Oracle ? Side::Db2 : Side::Oracle;
}

} // namespace db
