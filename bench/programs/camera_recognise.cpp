// Times the camera recogniser, which every file any host opens meets first:
//   camera_recognise ROUNDS FILE...
// prints, per file, whether it was taken and the median time of one recognition.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "QorString.h"
#include "ZynRVQImageSource.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const int rounds = std::max(1, std::atoi(argv[1]));
    for (int f = 2; f < argc; ++f) {
        const std::wstring name = qorWiden(argv[f]);
        FILE* file = std::fopen(argv[f], "rb");
        std::vector<double> micros;
        bool taken = false;
        for (int r = 0; r < rounds; ++r) {
            const auto start = std::chrono::steady_clock::now();
            taken = ZynRVQImageSource::recognize(name, file, false) != nullptr;
            micros.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        if (file) std::fclose(file);
        std::nth_element(micros.begin(), micros.begin() + rounds / 2, micros.end());
        std::printf("%-12s %8.1f us  %s\n", taken ? "taken" : "not taken", micros[rounds / 2],
                    argv[f]);
    }
    return 0;
}
