// tarsen-batch: runs the program's computations without a window.
#include "batchcommand.h"

#include <algorithm>
#include <iostream>

namespace tarsen::batch {

std::vector<BatchCommand>& Commands()
{
    static std::vector<BatchCommand> commands;
    return commands;
}

int UsageError(const std::string& why)
{
    if (!why.empty())
        std::cerr << "tarsen-batch: " << why << "\n";
    std::cerr << "Usage:\n";
    auto sorted = Commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const BatchCommand& a, const BatchCommand& b) { return a.name < b.name; });
    for (const auto& c : sorted)
        std::cerr << "  tarsen-batch " << c.usage << "\n";
    return kExitUsage;
}

} // namespace tarsen::batch

int main(int argc, char** argv)
{
    using namespace tarsen::batch;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return UsageError("no command given");
    if (args[0] == "--help" || args[0] == "-h") {
        UsageError("");
        return kExitOk;
    }
    for (const auto& c : Commands()) {
        if (c.name == args[0]) {
            try {
                return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
            } catch (const std::exception& e) {
                std::cerr << "tarsen-batch: " << e.what() << "\n";
                return kExitRefused;
            }
        }
    }
    return UsageError("unknown command \"" + args[0] + "\"");
}
