#include "platform/crash_restart.h"

#include <algorithm>

namespace lanthe {

namespace {

Text Number(std::uint64_t value) { return IntToText(static_cast<std::int64_t>(value)); }

Text RestartList(const std::vector<std::uint64_t>& restarts) {
  if (restarts.empty()) return u"-";
  Text list;
  for (const std::uint64_t tick : restarts) {
    if (!list.empty()) list += u",";
    list += Number(tick);
  }
  return list;
}

// Reads the next blank-separated token of text; empty at the end.
TextView NextToken(TextView& text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  const std::size_t end = std::min(text.find(u' '), text.size());
  const TextView token = text.substr(0, end);
  text.remove_prefix(end);
  return token;
}

std::optional<std::uint64_t> ParseNumber(TextView token) {
  if (token.empty() || token.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (const char16_t c : token) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  return value;
}

std::optional<std::vector<std::uint64_t>> ParseRestartList(TextView token) {
  std::vector<std::uint64_t> restarts;
  if (token == u"-") return restarts;
  while (!token.empty()) {
    const std::size_t comma = std::min(token.find(u','), token.size());
    const auto tick = ParseNumber(token.substr(0, comma));
    if (!tick) return std::nullopt;
    restarts.push_back(*tick);
    token.remove_prefix(std::min(comma + 1, token.size()));
  }
  return restarts;
}

std::optional<RestartState> ParseState(TextView& text) {
  const auto client = ParseNumber(NextToken(text));
  const auto restarts = ParseRestartList(NextToken(text));
  if (!client || !restarts) return std::nullopt;
  return RestartState{*client, *restarts};
}

Text ExitCodeText(std::uint32_t exitCode) {
  // Exceptions read as their status codes; anything else as the number it is.
  return exitCode >= 0x80000000u ? HexText(exitCode) : Number(exitCode);
}

}  // namespace

Text WatcherParameters(const WatchOrders& orders) {
  return Text(kWatchArgument) + u" " + Number(orders.program) + u" " + Number(orders.disarmed) + u" " +
         RestartVariableValue(orders.state) + u" " + orders.commandLine;
}

std::optional<WatchOrders> ParseWatcherParameters(TextView parameters) {
  if (NextToken(parameters) != kWatchArgument) return std::nullopt;
  WatchOrders orders;
  const auto program = ParseNumber(NextToken(parameters));
  const auto disarmed = ParseNumber(NextToken(parameters));
  const auto state = ParseState(parameters);
  if (!program || !disarmed || !state || *program == 0 || *disarmed == 0) return std::nullopt;
  // The command line follows after one blank, as it was.
  if (parameters.empty() || parameters.front() != u' ' || parameters.size() < 2) return std::nullopt;
  orders.program = *program;
  orders.disarmed = *disarmed;
  orders.state = *state;
  orders.commandLine = Text(parameters.substr(1));
  return orders;
}

Text RestartVariableValue(const RestartState& state) {
  return Number(state.client) + u" " + RestartList(state.restarts);
}

std::optional<RestartState> ParseRestartVariable(TextView value) {
  auto state = ParseState(value);
  if (!state || !NextToken(value).empty()) return std::nullopt;
  return state;
}

AfterAbnormalEnd DecideAfterAbnormalEnd(std::vector<std::uint64_t>& restarts, std::uint64_t now) {
  std::erase_if(restarts, [now](std::uint64_t tick) { return tick > now || now - tick >= kRestartWindowMs; });
  if (restarts.size() >= kMostRestarts) return AfterAbnormalEnd::kLogOff;
  restarts.push_back(now);
  return AfterAbnormalEnd::kStartAgain;
}

EventReport RestartedEvent(std::uint32_t exitCode, std::size_t restartsInWindow) {
  return MakeEvent(EventId::kRestarted, {ExitCodeText(exitCode), Number(restartsInWindow), Number(kMostRestarts)});
}

EventReport RestartGivenUpEvent(std::uint32_t exitCode, bool couldNotStart) {
  if (couldNotStart) return MakeEvent(EventId::kRestartFailed, {ExitCodeText(exitCode)});
  return MakeEvent(EventId::kRestartsUsedUp, {ExitCodeText(exitCode), Number(kMostRestarts)});
}

}  // namespace lanthe
