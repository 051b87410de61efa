#include "core/index/IndexKeyCheck.h"

#include <utility>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {

IndexKeyCheck::IndexKeyCheck(const IndexTag& tag, uint32_t recordCount, std::string fileName)
    : tag_(tag), recordCount_(recordCount), fileName_(std::move(fileName)) {}

void IndexKeyCheck::Take(const std::string& key, uint32_t recNo) {
  const std::string where = " (Tag „" + tag_.Name + "“, Satz " + std::to_string(recNo) + ")";
  if (key.size() != tag_.KeyLength)
    RaiseDbf(gen::kDataWidth,
             "Ein Schlüssel hat " + std::to_string(key.size()) + " statt " +
                 std::to_string(tag_.KeyLength) + " Bytes" + where + ".",
             fileName_);
  if (recNo == 0 || recNo > recordCount_)
    RaiseDbf(gen::kArg, "Ein Schlüssel verweist auf keinen Satz der Tabelle" + where + ".",
             fileName_);
  if (!first_) {
    const int order = key.compare(previous_);
    if (order < 0 || (order == 0 && recNo <= previousRecNo_))
      RaiseDbf(gen::kArg, "Die Schlüssel kommen nicht in der Reihenfolge des Index" + where + ".",
               fileName_);
    if (order == 0 && tag_.Unique)
      RaiseDbf(gen::kArg, "Ein eindeutiger Index bekäme einen Schlüssel doppelt" + where + ".",
               fileName_);
  }
  first_ = false;
  previous_ = key;
  previousRecNo_ = recNo;
}

}  // namespace fw
