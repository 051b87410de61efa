#pragma once
#include "core/index/IndexFile.h"

namespace fw {

// The handler of each format; HandlerOf picks among them.
const IndexFormatHandler& NtxHandler();
const IndexFormatHandler& NdxHandler();
const IndexFormatHandler& CdxHandler();  // FoxPro CDX and IDX
const IndexFormatHandler& IdxHandler();
const IndexFormatHandler& MdxHandler();

}  // namespace fw
