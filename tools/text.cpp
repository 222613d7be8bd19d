// The line reader shared by all asset sources.
#include "mkdata.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace mkdata {

std::vector<text_line> read_text(const std::filesystem::path &file) {
    std::ifstream in(file);
    if (!in) {
        throw build_error(file.string() + ": cannot open");
    }
    std::vector<text_line> lines;
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        number++;
        std::istringstream split(raw);
        text_line line{file.string() + ":" + std::to_string(number), {}};
        std::string word;
        while (split >> word && word[0] != '#') {
            line.words.push_back(word);
        }
        if (!line.words.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

void fail(const text_line &line, const std::string &message) {
    throw build_error(line.where + ": " + message);
}

double to_number(const text_line &line, const std::string &word) {
    char *end = nullptr;
    double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0') {
        fail(line, "'" + word + "' is not a number");
    }
    return value;
}

int to_int(const text_line &line, const std::string &word) {
    char *end = nullptr;
    long value = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || value < -1000000 || value > 1000000) {
        fail(line, "'" + word + "' is not a whole number");
    }
    return static_cast<int>(value);
}

double option(const text_line &line, size_t first, const std::string &key, double fallback) {
    for (size_t i = first; i + 1 < line.words.size(); i++) {
        if (line.words[i] == key) {
            return to_number(line, line.words[i + 1]);
        }
    }
    return fallback;
}

} // namespace mkdata
