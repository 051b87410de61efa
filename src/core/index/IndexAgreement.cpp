#include "core/index/IndexAgreement.h"

#include <functional>

#include "core/index/CdxFormat.h"
#include "core/index/IdxFormat.h"
#include "core/index/IndexFormats.h"
#include "core/index/NtxTree.h"
#include "core/platform/DbfHeader.h"
#include "core/platform/FileIo.h"

namespace fw {
namespace {

using Take = std::function<bool(std::string_view key, uint32_t recNo)>;

}  // namespace

std::string IndexDisagreesWithTable(const IndexFileInfo& file,
                                    const std::vector<expr::Expression*>& keys,
                                    const std::vector<expr::FieldSlot>& slots,
                                    const std::string& tablePath, uint32_t limit) {
  if (file.Format != IndexFormat::Ntx && file.Format != IndexFormat::Cdx &&
      file.Format != IndexFormat::Idx)
    return {};
  File table = File::Open(tablePath, true);
  const DbfHeader header = ReadDbfHeader(table);
  if (header.RecCount == 0) return {};
  const IndexFormatHandler& handler = HandlerOf(file.Format);
  std::vector<char> record(header.RecordLength);
  expr::DbfRecordView view(slots);
  const bool multi = file.Format == IndexFormat::Cdx;
  for (size_t t = 0; t < file.Tags.size() && t < keys.size(); ++t) {
    const IndexTag& tag = file.Tags[t];
    const std::string in = multi ? "im Tag „" + tag.Name + "“" : std::string("in der Datei");
    const std::string of = multi ? "des Tags „" + tag.Name + "“" : std::string("der Datei");
    const bool descending = tag.Descending && handler.StoresDescending();
    std::string reason, previous;
    uint32_t seen = 0;
    const Take check = [&](std::string_view stored, uint32_t recNo) {
      if (recNo == 0 || recNo > header.RecCount) {
        reason = "Ein Schlüssel " + of + " verweist auf den Datensatz " + std::to_string(recNo) +
                 ", den die Tabelle nicht hat: die Indexdatei passt nicht zu ihr.";
        return false;
      }
      const uint64_t at = header.HeaderLength + uint64_t(recNo - 1) * header.RecordLength;
      if (table.ReadAt(at, record.data(), record.size()) != record.size()) {
        reason = "Ein Schlüssel " + of + " verweist auf den Datensatz " + std::to_string(recNo) +
                 ", der in der Tabelle nicht lesbar ist.";
        return false;
      }
      view.Bind(record.data(), recNo);
      std::string sortKey;
      try {
        sortKey = handler.SortKey(file, tag, keys[t]->Evaluate(view));
      } catch (const IndexFailure&) {
        return true;  // a key the rebuild itself refuses; it says so there
      } catch (const expr::EvaluationError&) {
        return true;
      }
      if (handler.StoredKey(file, tag, sortKey) != stored) {
        reason = "Der Datensatz " + std::to_string(recNo) + " hat " + in +
                 " einen anderen Schlüssel, als ihn das Programm bildet: die Anwendung bildet "
                 "ihre Schlüssel anders (etwa mit einer nationalen Codepage, die Umlaute groß "
                 "schreibt), oder die Indexdatei passt nicht mehr zur Tabelle.";
        return false;
      }
      if (seen > 0 && (descending ? sortKey > previous : sortKey < previous)) {
        reason = "Die Schlüssel stehen " + in + " in einer anderen Reihenfolge, als das "
                 "Programm sie sortiert (beim Datensatz " + std::to_string(recNo) +
                 "): die Anwendung sortiert anders als nach Bytes, etwa mit einer nationalen "
                 "Codepage.";
        return false;
      }
      previous = std::move(sortKey);
      return ++seen < limit;
    };
    switch (file.Format) {
      case IndexFormat::Ntx: WalkNtxTree(file.Path, check); break;
      case IndexFormat::Cdx: WalkCdxTag(file, t, check); break;
      default: WalkIdxKeys(file, check); break;
    }
    if (!reason.empty()) return reason;
  }
  return {};
}

}  // namespace fw
