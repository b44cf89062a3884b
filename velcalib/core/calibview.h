// What the calibration window shows, without the window: where a target's
// centre lands in the client area and which colour it has.
#pragma once

#include <cstdint>

// The device's logical range: 0…32767 on each axis, 32768 the full extent.
constexpr int32_t LOGICAL_EXTENT = 32768;

// 32-bit ARGB, (alpha << 24) | (red << 16) | (green << 8) | blue.
typedef uint32_t TargetColour;

const TargetColour cSteping = 0xFF00C000;  // current target, touch not yet stable
const TargetColour cSteped = 0xFF0000C0;   // current target, touch stable
const TargetColour cNotStep = 0xFFC0C0C0;  // every other target
const TargetColour cChecking = 0xFFC000C0; // current check target, touch not yet stable

// Logical 0…32767 to pixels of an axis of nExtent pixels: v·extent / 32768 in
// 64-bit arithmetic (screens of any width), truncated toward zero; a result
// beyond 32 bits (only for logical values outside 0…32767) saturates. The
// client rectangle's origin is not added.
int32_t LogicalToPixel(int32_t nLogical, int32_t nExtent);

// Colour of target nIndex when nCurrent is the collector's current target.
// Once the run is finished no index equals nCurrent and all are cNotStep.
TargetColour ColourOfTarget(int32_t nIndex, int32_t nCurrent, bool bStable);
// Colour of the one check target shown: cChecking, or cSteped once stable.
TargetColour ColourOfCheck(bool bStable);
