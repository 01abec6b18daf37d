#include "library/DecompressUpdateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

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

bool readWhole(const std::string& path, std::string& data) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace

UpdateExpansion ExpandUpdateBlocks(std::string_view in, const std::function<bool(std::string_view)>& out) {
    UpdateExpansion r;
    std::vector<unsigned char> expanded(kUpdateBlockExpanded);
    std::size_t at = 0;
    for (;;) {
        if (in.size() - at < kHeader) {
            r.problem = "The update file ends in the middle of a block.";
            return r;
        }
        const std::string_view header = in.substr(at, kHeader);
        const long long n = headerNumber(header.substr(0, 15));
        const long long m = headerNumber(header.substr(15, 15));
        if (n <= 0 || m < 0 || static_cast<std::size_t>(n) > kUpdateBlockData ||
            static_cast<std::size_t>(m) > kUpdateBlockExpanded) {
            r.problem = "Input Data Corrupted";
            return r;
        }
        if (in.size() - at - kHeader < static_cast<std::size_t>(n)) {
            r.problem = "The update file ends in the middle of a block.";
            return r;
        }
        uLongf length = static_cast<uLongf>(expanded.size());
        const int z = uncompress(expanded.data(), &length, reinterpret_cast<const Bytef*>(in.data() + at + kHeader),
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
        at += kHeader + static_cast<std::size_t>(n);
        if (header[34] != 'X') break;
    }
    r.ok = true;
    return r;
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
    std::string data;
    if (!readWhole(source, data)) {
        rt::message("Cannot open file! " + source, "Error Opening File " + std::string(std::strerror(errno)),
                    rt::Icon::None, rt::BtnCancel);
        return 0;
    }
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
    const UpdateExpansion r = ExpandUpdateBlocks(data, [&](std::string_view bytes) {
        frame = frame >= 20 ? 5 : frame + 1;
        char iconName[32];
        std::snprintf(iconName, sizeof iconName, "~Time%03d.ico", frame);
        w.setText(icon, iconName);
        w.display();
        return rt::writeAll(out.fd(), bytes.data(), bytes.size()) == 0;
    });
    if (!r.ok) {
        wait.end();
        out.discard();
        if (r.problem == "write") rt::message("Error adding to ZlibBKXOut: " + destination);
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
