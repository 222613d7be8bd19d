// The fuzz targets' inputs replayed without libFuzzer (ctest -L fuzz): every file through run,
// which says whether the game took it. One in a directory named "refused" must not be taken,
// every other one must.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

template <typename Run> int replay_inputs(int argc, char **argv, Run run, const char *verb) {
    int wrong = 0;
    for (int i = 1; i < argc; i++) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        const bool refuse = std::string(argv[i]).find("/refused/") != std::string::npos;
        if (!in.is_open() || run(bytes.data(), bytes.size()) == refuse) {
            std::fprintf(stderr, "%s: %s\n", argv[i], refuse ? "accepted" : "refused");
            wrong++;
        }
    }
    std::printf("%d files %s, %d wrong\n", argc - 1, verb, wrong);
    return argc > 1 && wrong == 0 ? 0 : 1;
}
