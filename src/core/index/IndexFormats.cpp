#include "core/index/IndexFormats.h"

namespace fw {

const IndexFormatHandler& HandlerOf(IndexFormat format) {
  switch (format) {
    case IndexFormat::Ndx:
      return NdxHandler();
    case IndexFormat::Ntx:
      return NtxHandler();
    // TODO(merge): CdxHandler(), IdxHandler() and MdxHandler() are written on their own
    // branches; until they are merged in, these formats fall back to the NTX handler.
    case IndexFormat::Cdx:
    case IndexFormat::Idx:
    case IndexFormat::Mdx:
      break;
  }
  return NtxHandler();
}

}  // namespace fw
