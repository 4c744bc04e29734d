// Result codes of the media-command interpreter and their texts, numbered as the media control
// interface numbers them, so the music module's "Error:" texts read the same everywhere.
#pragma once

#include <cstdint>

namespace quillmere {

inline constexpr std::int32_t kMciErrBase = 256;
inline constexpr std::int32_t kMciErrUnrecognizedKeyword = kMciErrBase + 3;    // 259
inline constexpr std::int32_t kMciErrUnrecognizedCommand = kMciErrBase + 5;    // 261
inline constexpr std::int32_t kMciErrHardware = kMciErrBase + 6;               // 262
inline constexpr std::int32_t kMciErrInvalidDeviceName = kMciErrBase + 7;      // 263
inline constexpr std::int32_t kMciErrDeviceOpen = kMciErrBase + 9;             // 265
inline constexpr std::int32_t kMciErrCannotLoadDriver = kMciErrBase + 10;      // 266
inline constexpr std::int32_t kMciErrMissingCommandString = kMciErrBase + 11;  // 267
inline constexpr std::int32_t kMciErrBadInteger = kMciErrBase + 14;            // 270
inline constexpr std::int32_t kMciErrMissingParameter = kMciErrBase + 17;      // 273
inline constexpr std::int32_t kMciErrUnsupportedFunction = kMciErrBase + 18;   // 274
inline constexpr std::int32_t kMciErrFileNotFound = kMciErrBase + 19;          // 275
inline constexpr std::int32_t kMciErrDeviceNotReady = kMciErrBase + 20;        // 276
inline constexpr std::int32_t kMciErrCannotUseAll = kMciErrBase + 23;          // 279
inline constexpr std::int32_t kMciErrOutOfRange = kMciErrBase + 26;            // 282
inline constexpr std::int32_t kMciErrDuplicateAlias = kMciErrBase + 33;        // 289
inline constexpr std::int32_t kMciErrBadConstant = kMciErrBase + 34;           // 290
inline constexpr std::int32_t kMciErrMissingDeviceName = kMciErrBase + 36;     // 292
inline constexpr std::int32_t kMciErrBadTimeFormat = kMciErrBase + 37;         // 293
inline constexpr std::int32_t kMciErrNoClosingQuote = kMciErrBase + 38;        // 294
inline constexpr std::int32_t kMciErrDuplicateFlags = kMciErrBase + 39;        // 295
inline constexpr std::int32_t kMciErrInvalidFile = kMciErrBase + 40;           // 296
inline constexpr std::int32_t kMciErrExtraCharacters = kMciErrBase + 49;       // 305

// The text of a code, or nullptr for a code this interpreter never gives.
const char* MciErrorText(std::int32_t code);

// Copies the text of code into text (NUL-terminated, cut to length); false, with text untouched,
// for an unknown code or no room.
bool MciGetErrorString(std::int32_t code, char* text, std::uint32_t length);

// Copies answer into buffer, NUL-terminated and cut to length; nothing when there is no buffer.
void CopyAnswer(const char* answer, char* buffer, std::uint32_t length);

}  // namespace quillmere
