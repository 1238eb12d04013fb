#include <cstdio>
#include <string>

#include "app/card_content.h"
#include "app/card_options.h"
#include "app/frame_loop.h"
#include "yulecard_version.h"

int main(int argc, char** argv) {
    CardOptions options;
    std::string error;
    switch (readCardOptions(argc, argv, options, error)) {
        case CardCommand::ShowHelp:
            std::fputs(cardHelp().c_str(), stdout);
            return 0;
        case CardCommand::ShowVersion:
            std::printf("yulecard %s\n", YULECARD_VERSION);
            return 0;
        case CardCommand::UsageError:
            std::fprintf(stderr, "yulecard: %s\n%s", error.c_str(), cardUsage().c_str());
            return 2;
        case CardCommand::Run:
            break;
    }
    // The sender's files are read and checked before any window opens.
    LoadedCardContent content;
    if (!loadCardContent(options.content, content, error)) {
        std::fprintf(stderr, "yulecard: %s\n", error.c_str());
        return 1;
    }
    useCardContent(content);
    return runCard(options.window ? WindowPlacement::Window : WindowPlacement::FullScreen);
}
