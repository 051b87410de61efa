#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/generate/ExistingValues.h"
#include "core/generate/Random.h"
#include "core/platform/DBServer.h"
#include "core/platform/Date.h"

namespace fw {

// The column sources behind the per-field options: distinct values, a blank share and the
// share of deleted records.

// The numbers 0 .. size - 1 in a scrambled order, none twice in `size` steps: the i-th is
// (a * i + c) mod size with a prime to size. Needs no memory whatever the size.
class DistinctIndices {
public:
  DistinctIndices(uint64_t seed, uint64_t size);
  uint64_t Next();
  // The next number that `taken` does not hold (any next one when it holds them all).
  uint64_t NextNotIn(const TakenIndices* taken);

private:
  uint64_t size_, a_, c_, i_ = 0;
};

// Distinct numbers from min up to below max in steps of one unit of the last decimal:
// (max - min) * 10^decimals values, each at most once, none of the `taken` ones (the values
// the records already in the table hold, see TakenNumbers).
class UniqueNumberColumn : public ColumnSource {
public:
  UniqueNumberColumn(uint64_t seed, double min, double max, uint32_t decimals, bool negativ,
                     double percentNeg, std::shared_ptr<const TakenIndices> taken = nullptr);
  void Produce(FieldWriter& out) override;
  // How many distinct values the rule gives (saturates at 2^53).
  static uint64_t Capacity(double min, double max, uint32_t decimals);

private:
  RandomStream random_;
  DistinctIndices indices_;
  double min_, unit_;
  bool negativ_;
  double percentNeg_;
  std::shared_ptr<const TakenIndices> taken_;
};

// Distinct dates from start up to the day before end (start alone when both are equal),
// none of the `taken` days (counted from start).
class UniqueDateColumn : public ColumnSource {
public:
  UniqueDateColumn(uint64_t seed, Date start, Date end,
                   std::shared_ptr<const TakenIndices> taken = nullptr);
  void Produce(FieldWriter& out) override;

private:
  Date start_;
  DistinctIndices indices_;
  std::shared_ptr<const TakenIndices> taken_;
};

// Makes the texts of another source distinct: each gets "-" and a running number, from one
// after `lastNumber` (the largest number the table's texts already end with, so that no new
// text repeats one of them), the text cut so that the number always fits the field.
class SuffixColumn : public ColumnSource {
public:
  SuffixColumn(std::unique_ptr<ColumnSource> inner, uint32_t fieldLength,
               uint64_t lastNumber = 0);
  void Produce(FieldWriter& out) override;
  // The field length needed to number on up to `lastNumber` this way.
  static uint32_t LengthNeeded(uint64_t lastNumber);

private:
  std::unique_ptr<ColumnSource> inner_;
  uint32_t fieldLength_;
  uint64_t number_;
  std::string buffer_;
};

// Writes the digits another source gives as text as a number (a postcode into a numeric
// field: "01067" becomes 1067).
class NumberFromTextColumn : public ColumnSource {
public:
  explicit NumberFromTextColumn(std::unique_ptr<ColumnSource> inner) : inner_(std::move(inner)) {}
  void Produce(FieldWriter& out) override;

private:
  std::unique_ptr<ColumnSource> inner_;
};

// Leaves a share of the records blank. The inner source still produces every record's value
// (and throws the blank ones away), so columns that draw from a shared stream stay in step.
class BlankShareColumn : public ColumnSource {
public:
  BlankShareColumn(uint64_t seed, std::unique_ptr<ColumnSource> inner, double percent);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  std::unique_ptr<ColumnSource> inner_;
  double percent_;
};

// The deletion flags of the appended records: TRUE for a share of them.
class DeletedShareColumn : public ColumnSource {
public:
  DeletedShareColumn(uint64_t seed, double percent);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  double percent_;
};

}  // namespace fw
