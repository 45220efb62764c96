// The scrambled ".xxx" twin of a shader source: the processed text and its terminating
// zero, each byte xor-ed with the runtime generator's output after srand(4817), modulo 255.
#pragma once
#include <string>

// "a/b.cpp" -> "a/b.xxx": the first ".cpp" in the path is replaced, even inside a folder
// name. A path without ".cpp" has no twin: the result is empty.
std::string twinPathFor(const std::string& path);

// Xors bytes with the key stream in place; the same call unscrambles. Reseeds the process-
// wide runtime generator, exactly as the show's own loading does.
void applyTwinKey(std::string& bytes);

// The twin's bytes: text plus its terminating zero, scrambled (reseeds the generator).
std::string scrambleTwin(const std::string& text);
// Writes scrambled bytes to twinPath through a temporary file renamed at the end. Returns
// false (and leaves any earlier twin in place) when the folder is not writable; callers
// carry on without a twin.
bool writeScrambledTwin(const std::string& twinPath, const std::string& bytes);

// Reads and unscrambles a twin. The last byte (the scrambled zero) is dropped; an empty
// twin gives an empty text. Nothing when the file cannot be opened.
bool readTwin(const std::string& twinPath, std::string& text);
