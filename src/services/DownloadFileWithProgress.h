#pragma once
// "Data File AutoUpdate": fetches one web address into one local file while a window shows the
// caption line (DOWNLOADSTRING), time elapsed and left, bytes received of UpdateFileSize, the
// percentage and the rate, with Cancel. Returns the bytes written to the file: 0 when nothing
// came or the server refused (no file is then made), a smaller count when the transfer stopped
// early (what was written stays). While DownloadingUpdateList is set the file's bare LFs
// become CR LF. Runs on the caller's thread.
#include <cstdint>
#include <string>

std::uint32_t DownloadFileWithProgress(const std::string& url, const std::string& path);

// The same, telling also whether the file came whole: the transfer ended by itself, with
// every byte the server sent written. With maxBytes set, a file that would grow past it stops
// there with the message "Auto Update Error: File larger than expected" and is not whole.
struct DownloadResult {
    std::uint32_t bytes = 0;
    bool whole = false;
    bool cancelled = false;  // the host pressed Cancel
};
DownloadResult DownloadFileWithProgress(const std::string& url, const std::string& path, std::uint64_t maxBytes);
