// tarsen-batch: runs the program's computations without a window.
#include "batchcommand.h"
#include "common/keepmemory.h"
#include "common/textnum.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>

namespace tarsen::batch {

std::vector<BatchCommand>& Commands()
{
    static std::vector<BatchCommand> commands;
    return commands;
}

int UsageError(const std::string& why) { return UsageError(why, std::cerr); }

int UsageError(const std::string& why, std::ostream& err)
{
    err << "tarsen-batch: " << why << "\nRun with --help for more information.\n";
    return kExitUsage;
}

CLI::Validator Number()
{
    return CLI::Validator(
        [](std::string& text) {
            return ParseNumber(text) ? std::string() : "\"" + text + "\" is not a number";
        },
        "");
}

CLI::Validator WholeNumber(double min, double max)
{
    const std::string range = std::to_string(static_cast<long long>(min)) + " to " +
                              std::to_string(static_cast<long long>(max));
    return CLI::Validator(
        [min, max, range](std::string& text) {
            const std::optional<double> n = ParseNumber(text);
            if (!n || *n < min || *n > max || *n != std::floor(*n))
                return "takes a whole number from " + range + ", not \"" + text + "\"";
            text = std::to_string(static_cast<long long>(*n));
            return std::string();
        },
        "");
}

CLI::Validator Assignment()
{
    return CLI::Validator(
        [](std::string& text) {
            const std::size_t eq = text.find('=');
            return eq == std::string::npos || eq == 0 ? "takes KEY=VALUE, not \"" + text + "\""
                                                      : std::string();
        },
        "");
}

namespace {

/// The parser of the whole tool with one subcommand per registered command, sorted by name.
/// actions receives each subcommand's action in the same order.
void BuildParser(CLI::App& app, std::vector<std::pair<CLI::App*, CommandAction>>& actions)
{
    app.set_version_flag("--version", "tarsen-batch " TARSEN_VERSION);
    app.require_subcommand(1);
    app.footer(std::string(kExitStatusHelp) +
               "\nRun \"tarsen-batch COMMAND --help\" for the options of a command.");
    auto sorted = Commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const BatchCommand& a, const BatchCommand& b) { return a.name < b.name; });
    for (const auto& c : sorted) {
        CLI::App* sub = app.add_subcommand(c.name, c.description);
        sub->footer(kExitStatusHelp);
        actions.emplace_back(sub, c.setup(*sub));
    }
}

} // namespace

} // namespace tarsen::batch

int main(int argc, char** argv)
{
    using namespace tarsen::batch;
    tarsen::KeepFreedMemory();
    if (argc < 2)
        return UsageError("no command given");
    CLI::App app("Runs Tarsen's computations on assembly and materials files without a window.",
                 "tarsen-batch");
    std::vector<std::pair<CLI::App*, CommandAction>> actions;
    BuildParser(app, actions);

    // A first word that is neither an option nor a command is named as such, not as a missing
    // command.
    if (argc > 1 && argv[1][0] != '-') {
        const std::string first = argv[1];
        bool known = false;
        for (const auto& c : Commands())
            known = known || c.name == first;
        if (!known)
            return UsageError("unknown command \"" + first + "\"");
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version print on stdout and end with 0; usage errors are status 2.
        if (e.get_exit_code() == 0)
            return app.exit(e);
        return UsageError(e.what());
    }
    for (const auto& [sub, action] : actions) {
        if (!sub->parsed())
            continue;
        try {
            return action();
        } catch (const std::exception& e) {
            std::cerr << "tarsen-batch: " << e.what() << "\n";
            return kExitRefused;
        }
    }
    return kExitUsage;
}
