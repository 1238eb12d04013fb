#pragma once
// The languages the card's pages speak: one table of words each in the web
// site (web/site/words/<tag>.js). A card sent as one file names one of them,
// and yulecard-pack takes only these, since a page offers no other.
#include <string>
#include <string_view>

constexpr std::string_view PAGE_LANGUAGES[] = {"cs", "de", "el", "en", "es", "fr",
                                               "it", "nl", "pl", "pt", "ru", "uk"};

// Whether `tag` is one of PAGE_LANGUAGES, exactly (lower case).
bool isPageLanguage(std::string_view tag);

// The tags for a message: "cs, de, el, ...".
std::string pageLanguageList();
