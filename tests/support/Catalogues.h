#pragma once
// The shipped catalogues, for tests that check a text in each language.
#include <string>

#include "link/MessageCatalogue.h"

#ifndef SERVODESK_DATA_DIR
#error "SERVODESK_DATA_DIR must name the folder with the catalogues"
#endif

constexpr int Japanese = 0, English = 1, Chinese = 2;

inline MessageCatalogue ShippedCatalogue(int language) {
    MessageCatalogue catalogue;
    catalogue.Load(SERVODESK_DATA_DIR, language);
    return catalogue;
}

// The lookup logic takes; the catalogue must outlive it.
inline MessageLookup LookupIn(const MessageCatalogue& catalogue) {
    return [&catalogue](int n) { return catalogue.Msg(n); };
}

// True when text has a character outside ASCII: a translated text.
inline bool HasNonAscii(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}
