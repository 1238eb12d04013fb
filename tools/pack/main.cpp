// yulecard-pack: the card as one HTML file to send, with the sender's
// greeting and, if they like, their own music: the same file the compose
// page's "Download the card" writes for the same greeting and module.
//
//   yulecard-pack --greeting FILE [--music FILE.xm] [--language TAG] -o CARD.html [--page FILE]
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "base/file_bytes.h"
#include "base/partial_file.h"
#include "card_file/card_file.h"
#include "card_file/page_languages.h"
#include "greeting/greeting_file.h"
#include "yulecard_version.h"

namespace {

constexpr OptionSpec GREETING_OPTION{"greeting", 0, "FILE",
                                     "the greeting the card writes (UTF-8 text, as the card\n"
                                     "itself takes it; see yulecard(6))"};
constexpr OptionSpec MUSIC_OPTION{"music", 0, "FILE.xm",
                                  "the XM module it plays instead of the card's carol\n"
                                  "(at most 32 MiB)"};
constexpr OptionSpec LANGUAGE_OPTION{"language", 0, "TAG",
                                     "the language of the card's page: cs, de, el, en, es,\n"
                                     "fr, it, nl, pl, pt, ru or uk (default: the reader's\n"
                                     "browser's, then English)"};
constexpr OptionSpec OUTPUT_OPTION{"output", 'o', "FILE",
                                   "the card to write (CARD.html); '-' writes it to\n"
                                   "standard output"};
constexpr OptionSpec PAGE_OPTION{"page", 0, "FILE",
                                 "the empty card to fill in, as make web writes it\n"
                                 "(default: the installed one, " YULE_CARD_PAGE_FROM_BIN
                                 "\n"
                                 "from this program's folder)"};
constexpr OptionSpec HELP_OPTION{"help", 'h', nullptr, "this text"};
constexpr OptionSpec VERSION_OPTION{"version", 0, nullptr, "the program's version"};
constexpr OptionSpec PACK_OPTIONS[] = {GREETING_OPTION, MUSIC_OPTION, LANGUAGE_OPTION, OUTPUT_OPTION,
                                       PAGE_OPTION,     HELP_OPTION,  VERSION_OPTION};

const char* const USAGE =
    "usage: yulecard-pack --greeting FILE [--music FILE.xm] [--language TAG] -o CARD.html\n"
    "                     [--page FILE]\n"
    "       yulecard-pack --help | --version\n";

std::string help() {
    return std::string(USAGE) +
           "\n"
           "Writes the card as one HTML file that opens in any web browser, offline,\n"
           "with the greeting and the music inside: a file to attach to a message.\n"
           "Both are checked as the card checks them before anything is written.\n"
           "\n" +
           describeOptions(PACK_OPTIONS) +
           "\n"
           "Exit status: 0 written, 1 error (a file, the greeting or the module), 2 wrong usage.\n";
}

struct Request {
    std::string greeting;
    std::optional<std::string> music;
    std::string language;  // "": none chosen
    std::string output;
    std::string page;
};

int usageError(const std::string& what) {
    std::fprintf(stderr, "yulecard-pack: %s\n%s", what.c_str(), USAGE);
    return 2;
}

int fail(const std::string& what) {
    std::fprintf(stderr, "yulecard-pack: %s\n", what.c_str());
    return 1;
}

// The installed empty card: found from where this program is, so that any
// installation prefix works.
std::string installedPage() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return YULE_CARD_PAGE_FROM_BIN;
    return (self.parent_path() / YULE_CARD_PAGE_FROM_BIN).lexically_normal().string();
}

bool writeAll(std::FILE* to, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), to) == bytes.size() && std::fflush(to) == 0;
}

// Writes the card whole or not at all.
bool writeCard(const std::string& path, const std::string& card, std::string& error) {
    if (path == "-") {
        errno = 0;
        if (writeAll(stdout, card)) return true;
        error = std::string("cannot write to standard output: ") + std::strerror(errno);
        return false;
    }
    PartialFile file;
    if (!file.create(path, error)) return false;
    std::FILE* to = std::fopen(file.temporaryPath().c_str(), "wb");
    errno = 0;
    const bool written = to != nullptr && writeAll(to, card);
    const int writeErrno = errno;
    if (to != nullptr && std::fclose(to) != 0 && written) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!written) {
        error = "cannot write " + path + ": " + std::strerror(writeErrno);
        return false;
    }
    return file.commit(error);
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line;
    std::string error;
    if (!parseCommandLine(argc, argv, PACK_OPTIONS, line, error)) return usageError(error);
    if (line.has(HELP_OPTION.name)) {
        std::fputs(help().c_str(), stdout);
        return 0;
    }
    if (line.has(VERSION_OPTION.name)) {
        std::printf("yulecard-pack %s\n", YULECARD_VERSION);
        return 0;
    }
    if (!line.operands.empty()) return usageError("unexpected argument '" + line.operands.front() + "'");
    Request request;
    const std::string* greeting = line.value(GREETING_OPTION.name);
    const std::string* output = line.value(OUTPUT_OPTION.name);
    if (!greeting) return usageError("no greeting (--greeting FILE): a card to send carries one");
    if (!output) return usageError("no card to write (-o CARD.html, or -o - for standard output)");
    if (output->empty()) return usageError("the card's name is empty");
    request.greeting = *greeting;
    request.output = *output;
    if (const std::string* music = line.value(MUSIC_OPTION.name)) request.music = *music;
    if (const std::string* language = line.value(LANGUAGE_OPTION.name)) {
        request.language = *language;
        std::transform(request.language.begin(), request.language.end(), request.language.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        if (!isPageLanguage(request.language))
            return usageError("unknown language '" + *language + "' (--language takes one of " +
                              pageLanguageList() + ")");
    }
    const std::string* page = line.value(PAGE_OPTION.name);
    request.page = page ? *page : installedPage();

    // Everything is read and checked before anything is written.
    std::string pageBytes;
    if (!readFileBytes(request.page, FileKind{"card page", "card page", size_t{16} << 20, false}, pageBytes,
                       error))
        return fail(error + (page ? "" : "; make web builds it, make install puts it there"));
    std::string greetingBytes;
    if (!readFileBytes(request.greeting, FileKind{"greeting file", "greeting", GREETING_FILE_MAX_BYTES},
                       greetingBytes, error))
        return fail(error);
    CardFileParts parts;
    parts.page = pageBytes;
    parts.pageName = request.page;
    parts.greeting = greetingBytes;
    parts.greetingName = request.greeting;
    parts.language = request.language;
    std::string musicBytes;
    if (request.music) {
        if (!readFileBytes(*request.music,
                           FileKind{"module", "module sent in a card", CARD_FILE_MUSIC_MAX_BYTES}, musicBytes,
                           error))
            return fail(error);
        parts.music = musicBytes;
        parts.musicName = *request.music;
    }
    std::string card;
    if (!packCard(parts, card, error)) return fail(error);
    if (!writeCard(request.output, card, error)) return fail(error);
    return 0;
}
