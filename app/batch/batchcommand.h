// Subcommands of the headless tool register themselves here, one source file each. Every option
// of a subcommand is declared, validated and documented in that subcommand's Setup function, on
// the subcommand's own CLI11 parser: add an option there and --help, the man page and the usage
// errors follow.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tarsen::batch {

/// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotRunnable = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRefused = 3;
inline constexpr int kExitCycleLimit = 4;

/// The closing lines of the help texts.
inline constexpr const char* kExitStatusHelp =
    "Exit status: 0 finished or converged, 1 not runnable or the run failed, 2 usage, 3 a file "
    "refused,\n4 the cycle limit.";

/// The action of a parsed subcommand; returns the exit status.
using CommandAction = std::function<int()>;

struct BatchCommand {
    std::string name;
    std::string description; // one line, shown by "tarsen-batch --help" and above the options
    /// Declares the subcommand's positionals and options on its parser, bound to values the
    /// returned action owns; the action runs once the command line has parsed.
    std::function<CommandAction(CLI::App& app)> setup;
};

std::vector<BatchCommand>& Commands();

/// Registers a subcommand at start-up: `static RegisterCommand reg{{"name", "what", Setup}};`
struct RegisterCommand {
    explicit RegisterCommand(BatchCommand command) { Commands().push_back(std::move(command)); }
};

/// Prints "tarsen-batch: why" and the hint to --help on stderr and returns kExitUsage, for usage
/// errors found after parsing (a --set key the assembly does not take, for one).
int UsageError(const std::string& why);
/// The same on err.
int UsageError(const std::string& why, std::ostream& err);

/// Validators for option values. Numbers are read as the assembly file reads them (locale-free,
/// "1e3" allowed); a whole-number validator rewrites the value as plain digits, so that it can
/// be bound to an int.
CLI::Validator Number();
CLI::Validator WholeNumber(double min, double max);
/// KEY=VALUE with a non-empty KEY.
CLI::Validator Assignment();

} // namespace tarsen::batch
