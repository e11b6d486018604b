#pragma once
// The engine's log levels and how they map onto the media libraries' numeric
// levels (AV_LOG_QUIET = -8 ... AV_LOG_DEBUG = 48, eight apart).
#include <optional>
#include <string>

namespace vidrelo {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// llQuiet -> -8, llPanic -> 0, ... llDebug -> 48.
int LogLevelToAV(TLogLevel level);
// The libraries' level steps are eight apart; anything between two steps
// belongs to the lower one, and values outside the range are pinned to
// llQuiet or llDebug.
TLogLevel AVToLogLevel(int avLevel);
// "quiet", "panic", ... "debug": the names the "loglevel" option accepts.
const char* LogLevelName(TLogLevel level);
// A level name (any case) or a decimal library level; nothing for anything else.
std::optional<TLogLevel> LogLevelFromOption(const std::string& arg);

}  // namespace vidrelo
