// The failure texts of the crt decoder. Decoding code throws a pointer to one of these;
// the exported functions catch it and keep it as the thread's last error.
#pragma once

namespace crt {

// Texts that callers of the original interface already match on.
inline constexpr char kNotCrtFile[] = "Not a crt file.";
inline constexpr char kUnknownEntropy[] = "Unknown entropy";
// Never raised here: edges are only taken from the postponed stack when it holds one.
inline constexpr char kTopologyFailed[] = "Decoding topology failed";
inline constexpr char kUnsupportedColorFormat[] = "Unsupported color output format.";
inline constexpr char kNoPositionAttribute[] = "No position attribute found. Use DIFF normal strategy instead.";
inline constexpr char kPositionOverloaded[] = "Position attr has been overloaded, Use DIFF normal strategy instead.";
inline constexpr char kEstimatedNormalFormat[] = "Format not supported for normal attribute (float, int16 only)";
inline constexpr char kNormalFormat[] = "Format not supported for normal attribute (float, int32 or int16 only)";

// Checks that keep a damaged or hostile stream inside its buffers.
inline constexpr char kInvalidArguments[] = "Invalid arguments: the stream needs a data pointer and a length of at least 0.";
inline constexpr char kZeroLength[] = "Stream length is 0: the first argument of CreateDecoder is the stream's length in bytes.";
inline constexpr char kTruncated[] = "Truncated crt stream: a read goes past the stream length.";
inline constexpr char kBitsEnded[] = "Bit stream ended early: a read goes past its words.";
inline constexpr char kTunstallNoSymbols[] = "Tunstall block has no symbols but a non-zero length.";
inline constexpr char kTunstallOverflow[] = "Tunstall dictionary would overflow its 8192-byte table.";
inline constexpr char kTunstallEmptyWord[] = "Tunstall code stands for an empty word.";
inline constexpr char kTunstallLength[] = "Tunstall codes do not add up to the block length.";
inline constexpr char kBlockTooLong[] = "Entropy block is longer than the data it describes.";
inline constexpr char kResidualLength[] = "Residual block length does not match the vertex count.";
inline constexpr char kResidualBits[] = "Residual bit count is above 32.";
inline constexpr char kGroupEnd[] = "Group face end lies beyond the face count.";
inline constexpr char kGroupsShort[] = "Groups do not cover every face.";
inline constexpr char kVertexCountTooLarge[] = "Vertex count is larger than the connectivity can number.";
inline constexpr char kCountsBeyondStream[] =
    "Face count is larger than the rest of the stream can hold: the stream is truncated or damaged.";
inline constexpr char kFewerSymbolsThanFaces[] = "Fewer connectivity symbols than faces.";
inline constexpr char kSymbolsEnded[] = "Connectivity symbols ended early.";
inline constexpr char kUnknownSymbol[] = "Unknown connectivity symbol (7-255).";
inline constexpr char kVertexIndex[] = "Vertex index at or beyond the vertex count.";
inline constexpr char kTooManyVertices[] = "More new vertices than the vertex count.";
inline constexpr char kFaceCountTooLarge[] = "Face count is above 1431655764, more than a crt stream can number.";
inline constexpr char kNoIndexArray[] = "No index array given for a mesh with faces.";
inline constexpr char kNullDecoder[] = "Null decoder handle.";
inline constexpr char kAlreadyDecoded[] = "This decoder has already run; create a new one for each decode.";
inline constexpr char kArrayMismatch[] = "An attribute writes more or fewer values per vertex than its output array holds.";
inline constexpr char kUnknownNormalMode[] = "Unknown normal strategy.";
inline constexpr char kNormalStep[] = "Normal quantisation step out of range.";
inline constexpr char kPositionComponents[] = "Estimated normals need a position attribute with at least three components.";
inline constexpr char kCorrectionsEnded[] = "Normal corrections ended before the last corrected vertex.";
inline constexpr char kUnsupportedFormat[] = "Unsupported output format.";
inline constexpr char kOutOfMemory[] = "Out of memory while decoding.";
inline constexpr char kInternal[] = "Internal decoder error.";

// The encoder's own failures: input it cannot store.
inline constexpr char kUnsupportedColorInput[] = "Unsupported color input format.";
inline constexpr char kUnsupportedInput[] = "Unsupported format.";
inline constexpr char kUnsignedNormals[] = "Unsigned types not supported for normals";
inline constexpr char kStringTooLong[] = "A name or property text is too long for the stream (65534 bytes at most).";
inline constexpr char kTooManySymbols[] = "A Tunstall block holds more than 255 different byte values.";
inline constexpr char kFaceIndexRange[] = "A face refers to a vertex beyond the vertex count.";
inline constexpr char kQuantizeRange[] = "A value divided by its step does not fit a 32-bit integer: use a larger step.";
inline constexpr char kBadStep[] = "Quantisation step must be finite and greater than 0.";
inline constexpr char kAttributeSize[] = "Attribute values must be given for every vertex.";
inline constexpr char kGroupOrder[] = "Group face ends must rise and the last must be the face count.";
inline constexpr char kTooManyFaces[] = "Too many faces to encode (1431655764 at most).";
inline constexpr char kAlreadyEncoded[] = "This encoder has already run; create a new one for each stream.";
inline constexpr char kNoFaces[] = "A crt stream needs at least one face.";
inline constexpr char kEncodeNormalUnit[] = "Normal unit (its step) must be a whole number from 1 to 2^30 - 1.";
inline constexpr char kColorSteps[] = "Colour channel steps must lie between 1 and 255.";
inline constexpr char kColorComponents[] = "Colours need 3 (RGB) or 4 (RGBA) components.";
inline constexpr char kComponentCount[] = "An attribute needs 1 to 255 components per vertex.";

}  // namespace crt
