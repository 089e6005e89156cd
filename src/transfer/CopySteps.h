#pragma once
// The numbered steps of the two copy handlers, which the error report shows
// after "at line": each number stands beside its step. What differs between
// the two directions (the handler, its message, the order of a few steps)
// is data here. A table's copy numbers its steps with the lines of the
// direction its caller hands in.
#include "kernel/Statements.h"

namespace transfer {

using db::Side;

// The numbered lines of one direction; the error report shows them.
struct Lines {
    int noCurrentItem, selectMessage, busyPointer;
    int db2CursorLocation, oracleCursorLocation;
    int positionLoop;
    int createFieldLoop, createExecute;
    int rowCount, rowLoop, rowYield, progress, insertFirst, valueLoop, valueYield, valueText,
        insertExecute, moveNext;
    int progressReset, closeRowSet, addName;
    int closeOracle, closeDb2, finalPointer;
};

struct Direction {
    const char16_t* handler;
    const char16_t* noCurrentItemMessage;
    Side target;
    bool yieldPerPosition;
    bool pointerBeforeClosing;
    Lines lines;
};

inline const Direction oracleToDb2{.handler = u"PushButton3_Click",
                                   .noCurrentItemMessage = u"Please select a table",
                                   .target = Side::Db2,
                                   .yieldPerPosition = true,
                                   .pointerBeforeClosing = false,
                                   .lines = Lines{.noCurrentItem = 110,
                                                  .selectMessage = 298,
                                                  .busyPointer = 112,
                                                  .db2CursorLocation = 114,
                                                  .oracleCursorLocation = 122,
                                                  .positionLoop = 130,
                                                  .createFieldLoop = 168,
                                                  .createExecute = 228,
                                                  .rowCount = 236,
                                                  .rowLoop = 238,
                                                  .rowYield = 240,
                                                  .progress = 242,
                                                  .insertFirst = 244,
                                                  .valueLoop = 246,
                                                  .valueYield = 248,
                                                  .valueText = 250,
                                                  .insertExecute = 272,
                                                  .moveNext = 274,
                                                  .progressReset = 278,
                                                  .closeRowSet = 280,
                                                  .addName = 282,
                                                  .closeOracle = 292,
                                                  .closeDb2 = 294,
                                                  .finalPointer = 296}};

inline const Direction db2ToOracle{.handler = u"PushButton4_Click",
                                   .noCurrentItemMessage = u"Please select a table to send.",
                                   .target = Side::Oracle,
                                   .yieldPerPosition = false,
                                   .pointerBeforeClosing = true,
                                   .lines = Lines{.noCurrentItem = 112,
                                                  .selectMessage = 286,
                                                  .busyPointer = 114,
                                                  .db2CursorLocation = 116,
                                                  .oracleCursorLocation = 124,
                                                  .positionLoop = 132,
                                                  .createFieldLoop = 168,
                                                  .createExecute = 212,
                                                  .rowCount = 220,
                                                  .rowLoop = 222,
                                                  .rowYield = 224,
                                                  .progress = 226,
                                                  .insertFirst = 228,
                                                  .valueLoop = 230,
                                                  .valueYield = 232,
                                                  .valueText = 234,
                                                  .insertExecute = 260,
                                                  .moveNext = 262,
                                                  .progressReset = 266,
                                                  .closeRowSet = 268,
                                                  .addName = 270,
                                                  .closeOracle = 282,
                                                  .closeDb2 = 284,
                                                  .finalPointer = 280}};

// Steps with the same number in both directions.
// The direction whose target is `to`.
inline const Direction& DirectionTo(Side to) {
    return to == Side::Db2 ? oracleToDb2 : db2ToOracle;
}

inline constexpr int positionYield = 132, selectedTest = 134, takeSourceName = 136,
                     containsTest = 140, spellingTest = 144, spellingTake = 146,
                     overwriteQuestion = 150, dropOnYes = 158, removeDropped = 160,
                     openRowSet = 164, createFirstPiece = 166, fieldYield = 170, fieldName = 172,
                     fieldType = 174;
// After the handler's own lines: each key, index or comment of the copy.
inline constexpr int structureExecute = 300;

} // namespace transfer
