// anyimage: a command-line host of the image-source component.

#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "AnyImageArgs.h"
#include "AnyImageControl.h"
#include "Commands.h"
#include "QorError.h"
#include "QorSystem.h"

int main(int argc, char** argv) {
    AnyImageArgs args;
    try {
        args = AnyImageArgs::parse(qorArguments(argc, argv));
    } catch (const std::invalid_argument& e) {
        std::cerr << "anyimage: " << e.what() << "\n" << kAnyImageUsage;
        return 2;
    }
    if (args.help) {
        std::cout << kAnyImageUsage;
        return 0;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        if (args.command == "info") return runInfo(args, std::cout);
        if (args.command == "render") return runRender(args, std::cout);
        if (args.command == "stats") return runStats(args, std::cout);
        if (args.command == "meta") return runMeta(args, std::cout);
        if (args.command == "formats") return runFormats(std::cout);
        if (args.command == "register" || args.command == "unregister")
            return runRegistration(args, std::cout);
        std::cerr << "anyimage: unknown command " << args.command << "\n" << kAnyImageUsage;
        return 2;
    } catch (const QorError& e) {
        std::cout.flush();
        std::cerr << e.message() << " (code " << e.code() << ")\n";
    } catch (const ControlError& e) {
        std::cout.flush();
        std::cerr << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "anyimage: " << e.what() << "\n";
    }
    return 1;
}
