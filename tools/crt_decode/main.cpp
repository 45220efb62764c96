// crt-decode INPUT [OUTPUT.ply | OUTPUT.obj]: decodes a crt mesh stream, prints its counts,
// properties, attributes and groups, and writes the mesh as PLY or OBJ when asked.
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "decoded_mesh.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/printable.h"

namespace {

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The PLY and OBJ writers print into a stream: this one hands every byte to the file
// writer, which keeps the first failure for commit() to report.
class WriterBuffer : public std::streambuf {
public:
    explicit WriterBuffer(platform::FileWriter& file) : file_(file) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return file_.write(&byte, 1) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        return file_.write(data, static_cast<size_t>(size)) ? size : 0;
    }

private:
    platform::FileWriter& file_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s INPUT.crt [OUTPUT.ply | OUTPUT.obj]\n", argv[0]);
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argc == 3 ? argv[2] : "";
    const bool obj = ends_with(output, ".obj");
    platform::WriteOptions write_options;
    write_options.inputs = {input};
    std::string why;
    // Only a regular file, and bounded: a pipe or a device would be read for ever.
    constexpr uint64_t kMaxStreamBytes = 4ull << 30;
    std::vector<unsigned char> bytes;
    if (platform::read_regular_file(input, bytes, kMaxStreamBytes, why) != platform::FileRead::Read) {
        std::fprintf(stderr, "crt-decode: cannot open %s: %s\n", platform::printable(input).c_str(), why.c_str());
        return 1;
    }
    if (!output.empty()) {
        if (!obj && !ends_with(output, ".ply")) {
            std::fprintf(stderr, "crt-decode: %s: the output name must end in .ply or .obj\n", output.c_str());
            return 2;
        }
        // Checked before the stream is decoded: a pipe, a folder or the input itself is
        // refused at once.
        if (platform::check_output(output, write_options, why) != platform::FileWrite::Written) {
            std::fprintf(stderr, "crt-decode: %s\n", why.c_str());
            return 1;
        }
    }
    try {
        const crt_decode::DecodedMesh mesh = crt_decode::decode_stream(bytes);
        std::cout << input << "\n";
        crt_decode::print_summary(std::cout, mesh);
        if (!output.empty()) {
            platform::FileWriter file;
            if (file.open(output, write_options, why) != platform::FileWrite::Written) {
                std::fprintf(stderr, "crt-decode: %s\n", why.c_str());
                return 1;
            }
            // A large buffer, set before the first write: the C runtime on Windows would
            // otherwise write the file in small pieces. Binary: LF line ends on every system.
            std::setvbuf(file.stream(), nullptr, _IOFBF, 1 << 16);
            WriterBuffer buffer(file);
            std::ostream out(&buffer);
            if (obj) crt_decode::write_obj(out, mesh);
            else crt_decode::write_ply(out, mesh);
            if (file.commit(why) != platform::FileWrite::Written) {
                std::cout.flush();
                std::fprintf(stderr, "crt-decode: %s\n", why.c_str());
                return 1;
            }
            std::cout << "written: " << output << "\n";
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "crt-decode: %s: %s\n", input.c_str(), e.what());
        return 1;
    }
    return 0;
}
