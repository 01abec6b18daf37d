#include "library/DecompressUpdateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/TaskWindow.h"

namespace {

constexpr std::size_t kHeader = 35;

// A header field: digits, blanks around them allowed; -1 when it is anything else.
long long headerNumber(std::string_view field) {
    const std::string t = rt::trim(field);
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoll(t);
}

// Reads exactly n bytes unless the source ends first: the count read, or -1 after an error.
long long readFully(const UpdateBlockSource& in, char* buf, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const long long r = in(buf + got, n - got);
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(got);
}

}  // namespace

UpdateExpansion ExpandUpdateBlocks(const UpdateBlockSource& in, const std::function<bool(std::string_view)>& out) {
    UpdateExpansion r;
    std::vector<unsigned char> expanded(kUpdateBlockExpanded);
    std::vector<char> block(kHeader + kUpdateBlockData);
    constexpr const char* kEndsEarly = "The update file ends in the middle of a block.";
    for (;;) {
        const long long h = readFully(in, block.data(), kHeader);
        if (h < 0) {
            r.problem = "The update file could not be read.";
            return r;
        }
        if (static_cast<std::size_t>(h) < kHeader) {
            r.problem = kEndsEarly;
            return r;
        }
        const std::string_view header(block.data(), kHeader);
        const long long n = headerNumber(header.substr(0, 15));
        const long long m = headerNumber(header.substr(15, 15));
        if (n <= 0 || m < 0 || static_cast<std::size_t>(n) > kUpdateBlockData ||
            static_cast<std::size_t>(m) > kUpdateBlockExpanded) {
            r.problem = "Input Data Corrupted";
            return r;
        }
        const bool more = header[34] == 'X';
        const long long d = readFully(in, block.data() + kHeader, static_cast<std::size_t>(n));
        if (d < 0) {
            r.problem = "The update file could not be read.";
            return r;
        }
        if (d < n) {
            r.problem = kEndsEarly;
            return r;
        }
        uLongf length = static_cast<uLongf>(expanded.size());
        const int z = uncompress(expanded.data(), &length, reinterpret_cast<const Bytef*>(block.data() + kHeader),
                                 static_cast<uLong>(n));
        if (z == Z_MEM_ERROR) r.problem = "Insufficient memory for compression";
        else if (z == Z_BUF_ERROR) r.problem = "Insufficient room in output buffer for decompression";
        else if (z != Z_OK || length != static_cast<uLongf>(m)) r.problem = "Input Data Corrupted";
        if (!r.problem.empty()) return r;
        if (!out(std::string_view(reinterpret_cast<const char*>(expanded.data()), length))) {
            r.problem = "write";
            return r;
        }
        ++r.blocks;
        if (!more) break;
    }
    r.ok = true;
    return r;
}

UpdateExpansion ExpandUpdateBlocks(std::string_view in, const std::function<bool(std::string_view)>& out) {
    std::size_t at = 0;
    return ExpandUpdateBlocks(
        [&](char* buf, std::size_t n) {
            const std::size_t k = std::min(n, in.size() - at);
            std::memcpy(buf, in.data() + at, k);
            at += k;
            return static_cast<long long>(k);
        },
        out);
}

std::string PackUpdateBlocks(std::string_view data, std::size_t blockSize) {
    std::string out;
    std::size_t at = 0;
    do {
        const std::size_t m = std::min(blockSize, data.size() - at);
        std::vector<unsigned char> packed(compressBound(static_cast<uLong>(m)));
        uLongf n = static_cast<uLongf>(packed.size());
        compress(packed.data(), &n, reinterpret_cast<const Bytef*>(data.data() + at), static_cast<uLong>(m));
        char header[kHeader + 1];
        const bool more = at + m < data.size();
        std::snprintf(header, sizeof header, "%-15lu%-15lu    %c", static_cast<unsigned long>(n),
                      static_cast<unsigned long>(m), more ? 'X' : ' ');
        out.append(header, kHeader);
        out.append(reinterpret_cast<const char*>(packed.data()), n);
        at += m;
    } while (at < data.size());
    return out;
}

int DecompressUpdateFile(const std::string& source, const std::string& destination) {
    const std::string name = source.substr(source.find_last_of('/') + 1);
    TaskWindow w("Data File AutoUpdate", rt::WindowKind::Dialog, -1, -1, 343, 182);
    w.setFont(rt::Font{"MS Sans Serif", 8});
    w.image("?WizardPicture", "autoupdatewizard.bmp", 6, 6, 110, 170);
    w.image("?Logo", "addscreenlogo.bmp", 124, 6, 212, 40);
    w.text("?Message", "Installing Update File: " + name, 146, 60, 190, 10);
    const int icon = w.image("?Icon", "~Time005.ICO", 124, 58, 16, 16);
    w.disable(w.button("?Cancel", "&Cancel", 280, 160, 56, 14));
    w.open();
    w.display();

    if (rt::equalNoCase(rt::clip(source), rt::clip(destination))) {
        rt::message("The file to be uncompressed cannot have the same name as the compressed file",
                    "Source File cannot be the same as Destination File", rt::Icon::Exclamation);
        return 0;
    }
    if (rt::clip(source).empty() || rt::clip(destination).empty()) {
        rt::message("Both a Source File Name and a Destination File Name must be supplied",
                    "Source or Destination File Name Missing", rt::Icon::Exclamation);
        return 0;
    }
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        rt::message("Cannot open file! " + source, "Error Opening File " + std::string(std::strerror(errno)),
                    rt::Icon::None, rt::BtnCancel);
        return 0;
    }
    struct CloseSource {
        int fd;
        ~CloseSource() { ::close(fd); }
    } closeSource{in};
    WaitCursor wait(w);
    // The expanded file takes the destination's place only when it is whole.
    rt::TempFile out;
    if (const int e = out.create(destination)) {
        wait.end();
        rt::message("Error creating ZlibOut: " + destination + " " + std::strerror(e),
                    "Error Creating File " + std::to_string(e), rt::Icon::Hand, rt::BtnCancel);
        return 0;
    }
    int frame = 5;
    int readError = 0;
    auto reader = [&](char* buf, std::size_t n) -> long long {
        for (;;) {
            const ssize_t got = ::read(in, buf, n);
            if (got >= 0) return got;
            if (errno == EINTR) continue;
            readError = errno;
            return -1;
        }
    };
    // The icon steps once a block; the window is shown again at most every few hundredths of a
    // second, which is all an eye can follow (showing it after every block took a third of the
    // time of a large install).
    auto shown = std::chrono::steady_clock::now();
    const UpdateExpansion r = ExpandUpdateBlocks(reader, [&](std::string_view bytes) {
        frame = frame >= 20 ? 5 : frame + 1;
        char iconName[32];
        std::snprintf(iconName, sizeof iconName, "~Time%03d.ico", frame);
        w.setText(icon, iconName);
        if (const auto now = std::chrono::steady_clock::now(); now - shown >= std::chrono::milliseconds(40)) {
            w.display();
            shown = now;
        }
        return rt::writeAll(out.fd(), bytes.data(), bytes.size()) == 0;
    });
    if (!r.ok) {
        wait.end();
        out.discard();
        if (r.problem == "write") rt::message("Error adding to ZlibBKXOut: " + destination);
        else if (readError) rt::message("Error reading ZlibBKXIN: " + source + " " + std::strerror(readError));
        else rt::message(r.problem);
        return 0;
    }
    if (out.commit(true) != 0) {
        wait.end();
        rt::message("Error closing ZlibBKXOut: " + destination);
        return 0;
    }
    return 1;
}
