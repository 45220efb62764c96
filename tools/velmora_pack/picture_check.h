// Whether the packed entries are pictures the show can show: each is read back from the
// finished archive and decoded with the show's own decoder, on all processors.
#pragma once
#include <string>
#include <vector>

struct BadPicture {
    std::string name;  // the entry
    std::string why;   // the decoder's words
};

// The entries of the archive at base (names as given) that do not decode to a whole
// picture: empty, cut short, damaged or not an image at all. In the order given.
std::vector<BadPicture> findBadPictures(const std::string& base, const std::vector<std::string>& names);

// False in a build without a picture decoder (the Windows build, until the show's own
// picture decoding comes to it): there findBadPictures finds nothing, and the report says
// that the entries were not decoded.
bool canCheckPictures();
