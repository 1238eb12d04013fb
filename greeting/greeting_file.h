#pragma once
// Reads a greeting file by the path the user gave and lays it out. Errors
// name the file as given: "wishes.txt: cannot be read (No such file or
// directory)", "wishes.txt:3: ...".
#include <cstddef>
#include <string>

#include "greeting/greeting_layout.h"

// Far more than the card can write (see GREETING_MAX_CHARACTERS) even with
// generous blank lines and indents; a larger file is surely not a greeting.
constexpr size_t GREETING_FILE_MAX_BYTES = 65536;

GreetingResult loadGreetingFile(const std::string& path);
