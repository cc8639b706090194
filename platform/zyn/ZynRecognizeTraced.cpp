#include "ZynRecognizeTraced.h"

#include <iostream>

#include "QorError.h"
#include "ZynSettings.h"

ZynTransformPtr recognizeTraced(const char* where, const std::function<ZynTransformPtr()>& test,
                                ZynErrorTrace shown, const char* afterFailure) {
    const bool trace = ZynSettings::get().trace;
    try {
        return test();
    } catch (const QorError& e) {
        if (trace) {
            std::cout << "exception in " << where;
            if (shown != ZynErrorTrace::Where)
                std::cout << ": "
                          << (shown == ZynErrorTrace::Printout ? e.printout() : e.message());
            std::cout << std::endl;
        }
    } catch (...) {
        if (trace) std::cout << "exception in " << where << std::endl;
    }
    if (trace && afterFailure) std::cout << afterFailure << std::endl;
    return nullptr;
}
