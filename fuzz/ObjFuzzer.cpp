// ObjFuzzer: the OBJ reader with its MTL library on arbitrary text.
//
// Each input becomes model.obj and lib.mtl (see ObjInput.h) and is read in a child process, as
// the reader ends the process by design on a file it refuses: that end is a normal outcome
// here. A model read must pass CheckModel; any other end of the child is a finding.
#include "FuzzSupport.h"
#include "ObjInput.h"

#include "model/GlmModel.h"  // CGlmModel, the reader under test

#include <cstddef>  // size_t for sizes
#include <cstdint>  // uint8_t input bytes
#include <string>   // std::string for the path

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cubatro::fuzz::InitializeTarget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string path = cubatro::fuzz::WriteObjInput(pData, nSize);
    if (path.empty()) return -1;
    cubatro::fuzz::RunInChild(
        [&]
        {
            CGlmModel model;
            model.glmReadOBJ(path);
            cubatro::fuzz::CheckModel(model);
        });
    return 0;
}
