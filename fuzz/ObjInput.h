// ObjInput: how the OBJ targets turn one fuzz input into a model file and its material library,
// and the checks every model read must pass.
//
// The input is split at the first "\n@@\n": what comes before is written as model.obj, what
// comes after as the library, both in the scratch directory (an input without the marker has
// an empty library). The library takes the name on the model's first line that starts with
// "mtllib " when that is a plain file name, else lib.mtl; the previous input's library is
// removed first, so that every input is read alone. Inputs holding ".." are skipped: a library name could
// then reach any file of the machine (a device that never ends, for one), which tells nothing about the
// reader.
#pragma once

#include "model/GlmModel.h"  // CGlmModel, the record checked

#include <cstddef>      // size_t for sizes
#include <cstdint>      // uint8_t input bytes
#include <string>       // std::string for paths
#include <string_view>  // std::string_view for the input

namespace cubatro::fuzz
{

inline constexpr std::string_view kLibraryMarker = "\n@@\n";  // separates the model and the library

// The file name of the library for this model text, as described above.
std::string LibraryName(std::string_view model);

// Writes model.obj and its library from the input; returns the path of model.obj, or "" when the
// input is to be skipped.
std::string WriteObjInput(const uint8_t* pData, size_t nSize);

// Checks what the reader promises of every model it returns: arrays of their exact sizes,
// corner numbers within their arrays, groups that share out every triangle exactly once,
// materials within the library and the group "default". A failed check is a Finding.
void CheckModel(const CGlmModel& model);

}  // namespace cubatro::fuzz
