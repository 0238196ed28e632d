// bare_pugixml [--rounds N] FILE...
//
// Times a bare pugixml parse of the given files three ways, each as the best of N rounds (default 5)
// over all files, and prints one machine-readable line per way:
//
//   mode=load_file      a fresh document per file, pugixml reads the file itself (load_file)
//   mode=load_buffer    the files read into memory once beforehand; a fresh document per file parses
//                       from memory (load_buffer, which copies the bytes first)
//   mode=inplace_reused one buffer and one document reused across files: the file's bytes are copied
//                       into the buffer (the copy is timed: in-place parsing overwrites the buffer),
//                       the document is reset and parses in place (load_buffer_inplace)
//
// Line format: "mode=<name> mb_per_s=<float> best_s=<float> files=<n> bytes=<n> rounds=<n>", MB being
// 1,000,000 bytes. Every parse is checked; a failure ends the program with status 1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "parse_options.hpp"

namespace {

using Clock = std::chrono::steady_clock;

struct Input {
    std::string path;
    std::string bytes;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "bare_pugixml: %s\n", what.c_str());
    std::exit(1);
}

void check(const pugi::xml_parse_result& result, const std::string& path) {
    if (!result) fail(path + ": " + result.description() + " at offset " + std::to_string(result.offset));
}

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Keeps the parse results observable so that no round can be optimised away.
volatile std::size_t g_sink = 0;

void observe(const pugi::xml_document& doc) { g_sink = g_sink + (doc.document_element() ? 1 : 0); }

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double round_load_file(const std::vector<Input>& inputs) {
    auto start = Clock::now();
    for (const Input& in : inputs) {
        pugi::xml_document doc;
        check(doc.load_file(in.path.c_str(), bench::kParseOptions), in.path);
        observe(doc);
    }
    return seconds_since(start);
}

double round_load_buffer(const std::vector<Input>& inputs) {
    auto start = Clock::now();
    for (const Input& in : inputs) {
        pugi::xml_document doc;
        check(doc.load_buffer(in.bytes.data(), in.bytes.size(), bench::kParseOptions), in.path);
        observe(doc);
    }
    return seconds_since(start);
}

double round_inplace_reused(const std::vector<Input>& inputs, std::vector<char>& buffer,
                            pugi::xml_document& doc) {
    auto start = Clock::now();
    for (const Input& in : inputs) {
        std::memcpy(buffer.data(), in.bytes.data(), in.bytes.size());
        doc.reset();
        check(doc.load_buffer_inplace(buffer.data(), in.bytes.size(), bench::kParseOptions), in.path);
        observe(doc);
    }
    return seconds_since(start);
}

template <typename Round>
double best_of(int rounds, Round round) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) best = std::min(best, round());
    return best;
}

void report(const char* mode, double best, std::size_t files, std::size_t bytes, int rounds) {
    std::printf("mode=%s mb_per_s=%.1f best_s=%.6f files=%zu bytes=%zu rounds=%d\n", mode,
                best > 0 ? bytes / 1e6 / best : 0.0, best, files, bytes, rounds);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::vector<Input> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
            if (rounds < 1) fail("--rounds needs a positive number");
        } else if (arg == "-h" || arg == "--help") {
            std::printf("usage: bare_pugixml [--rounds N] FILE...\n");
            return 0;
        } else {
            inputs.push_back(Input{arg, std::string()});
        }
    }
    if (inputs.empty()) fail("no input files (usage: bare_pugixml [--rounds N] FILE...)");

    std::size_t bytes = 0, largest = 0;
    for (Input& in : inputs) {
        in.bytes = read_all(in.path);
        bytes += in.bytes.size();
        largest = std::max(largest, in.bytes.size());
    }
    std::printf("options=%s value=0x%x\n", bench::kParseOptionsText, bench::kParseOptions);

    report("load_file", best_of(rounds, [&] { return round_load_file(inputs); }), inputs.size(), bytes, rounds);
    report("load_buffer", best_of(rounds, [&] { return round_load_buffer(inputs); }), inputs.size(), bytes,
           rounds);
    std::vector<char> buffer(largest + 1);
    pugi::xml_document doc;
    report("inplace_reused", best_of(rounds, [&] { return round_inplace_reused(inputs, buffer, doc); }),
           inputs.size(), bytes, rounds);
    return 0;
}
