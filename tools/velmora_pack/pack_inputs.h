// Where velmora-pack's (entry name, file) pairs come from: manifest files, and folders of
// numbered frames named after the show's frame naming ("fog00000.png" -> prefix +
// "fog00000_n.jpg").
#pragma once
#include <string>
#include <vector>

struct PackInput {
    std::string name;    // entry name in the archive
    std::string path;    // file whose bytes the entry holds
    bool frame = false;  // a folder's picture: stored as a JPEG (a manifest's file as it is)
};

// Whether the file name ends in .jpg or .jpeg (any case).
bool isJpegFile(const std::string& path);

// The entry name of a frame file: prefix + file name with its extension replaced by
// "_n.jpg", the suffix the show's frame names carry.
std::string frameEntryName(const std::string& prefix, const std::string& fileName);

// Appends the pairs of a manifest: one "<entry name> <file>" per line, the file being the
// rest of the line (it may hold spaces) and relative to the manifest's folder. Blank lines
// and lines starting with '#' are skipped; CRLF files read like LF ones. On a malformed
// line or an unreadable manifest returns false with error naming the file and line.
bool readManifest(const std::string& manifestPath, std::vector<PackInput>& inputs, std::string& error);

// Appends every picture file of folder (.jpg, .jpeg, .png, .tif, .tiff, .webp, .bmp; not
// its subfolders), in byte order of the file names, as frameEntryName(prefix, file).
// skipped counts the other entries of the folder. Returns false with error when the folder
// cannot be listed.
bool scanFrameFolder(const std::string& folder, const std::string& prefix, std::vector<PackInput>& inputs,
                     size_t& skipped, std::string& error);
