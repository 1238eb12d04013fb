#include "card_file/page_languages.h"

bool isPageLanguage(std::string_view tag) {
    for (const std::string_view known : PAGE_LANGUAGES)
        if (tag == known) return true;
    return false;
}

std::string pageLanguageList() {
    std::string out;
    for (const std::string_view known : PAGE_LANGUAGES) {
        if (!out.empty()) out += ", ";
        out += known;
    }
    return out;
}
