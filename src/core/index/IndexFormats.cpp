#include "core/index/IndexFormats.h"

namespace fw {

const IndexFormatHandler& HandlerOf(IndexFormat format) {
  switch (format) {
    case IndexFormat::Ndx: return NdxHandler();
    case IndexFormat::Cdx: return CdxHandler();
    case IndexFormat::Idx: return IdxHandler();
    case IndexFormat::Mdx: return MdxHandler();
    case IndexFormat::Ntx: break;
  }
  return NtxHandler();
}

}  // namespace fw
