// Subcommands of the headless tool register themselves here, one source file each.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarsen::batch {

/// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotRunnable = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRefused = 3;
inline constexpr int kExitCycleLimit = 4;

struct BatchCommand {
    std::string name;
    std::string usage; // one or more lines, shown by "tarsen-batch --help"
    std::function<int(const std::vector<std::string>& args)> run; // args after the name
};

std::vector<BatchCommand>& Commands();

/// Registers a subcommand at start-up: `static RegisterCommand reg{{"name", "usage", fn}};`
struct RegisterCommand {
    explicit RegisterCommand(BatchCommand command) { Commands().push_back(std::move(command)); }
};

/// Prints the usage of every subcommand on stderr and returns kExitUsage.
int UsageError(const std::string& why);

} // namespace tarsen::batch
