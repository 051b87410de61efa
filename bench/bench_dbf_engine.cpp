// Times the table engine against one raw sequential write of the same bytes:
//   append    1,000,000 blank records of 100 bytes with Append() (one call per record)
//   sweep i   FieldPut of a ready-made value into field i of every record (GoTo once, Skip
//             per record), for each of the 8 fields: reads and writes back the whole table
//   bulk      AppendRecords of the same records with 8 simple sources
// and reports the peak resident memory. Usage: bench_dbf_engine [records] [runs] [bulk|sync]
// "sync" times only AppendRecords, in wall-clock time, as it is (the records and the header
// synced to the disk) and with the syncs skipped, alternating in one run: what durability
// costs. The tables go to $TMPDIR (default /tmp): put it on the disk that is meant.
#include <fcntl.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "core/platform/DBServer.h"
#include "core/platform/FileIo.h"

namespace {

// Process CPU time (user and system): what the work costs, even while other jobs share the
// machine and stretch the wall-clock time.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
  }
};

double Seconds(Clock::time_point start) { return Clock::now() - start; }

using bench::Median;
using bench::PeakRssKiB;

// 8 fields, 100 bytes per record with the deletion flag.
const std::vector<fw::FieldInfo> kFields = {
    {"NAME", 'C', 30, 0},  {"VORNAME", 'C', 20, 0}, {"UMSATZ", 'N', 10, 2},
    {"NUMMER", 'N', 8, 0}, {"DATUM", 'D', 8, 0},    {"AKTIV", 'L', 1, 0},
    {"ORT", 'C', 15, 0},   {"PUNKTE", 'N', 7, 0}};
constexpr size_t kRecordLength = 100;

double RawWrite(const std::string& path, uint32_t records) {
  std::filesystem::remove(path);
  std::vector<char> buffer(1 << 20, ' ');
  auto start = Clock::now();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  uint64_t left = uint64_t(records) * kRecordLength;
  while (left > 0) {
    size_t n = size_t(std::min<uint64_t>(left, buffer.size()));
    if (::write(fd, buffer.data(), n) != ssize_t(n)) std::abort();
    left -= n;
  }
  ::close(fd);
  return Seconds(start);
}

std::string FreshTable(const std::string& path) {
  std::filesystem::remove(path);
  if (!fw::DBServer::Create(path, kFields, "DBFNTX")) std::abort();
  return path;
}

double AppendBlank(const std::string& path, uint32_t records) {
  FreshTable(path);
  auto start = Clock::now();
  fw::DBServer table(path, false, false);
  for (uint32_t i = 0; i < records; ++i) table.Append();
  table.Close();
  return Seconds(start);
}

fw::Value ReadyValue(size_t field) {
  switch (kFields[field].Type) {
    case 'C': return fw::Value(std::string("Musterwert ") + std::to_string(field));
    case 'N': return fw::Value(1234.5 + double(field));
    case 'D': return fw::Value(fw::Date::FromYmd(2001, 2, 3));
    default: return fw::Value(true);
  }
}

double Sweep(const std::string& path, size_t field) {
  const fw::Value value = ReadyValue(field);
  const std::string name = kFields[field].Name;
  auto start = Clock::now();
  fw::DBServer table(path, false, false);
  uint32_t count = table.RecCount();
  table.GoTo(1);
  for (uint32_t i = 0; i < count; ++i) {
    table.FieldPut(name, value);
    table.Skip();
  }
  table.Close();
  return Seconds(start);
}

class SimpleSource : public fw::ColumnSource {
public:
  explicit SimpleSource(char type) : type_(type) {}
  void Produce(fw::FieldWriter& out) override {
    ++n_;
    switch (type_) {
      case 'C': out.PutText("Musterwert"); break;
      case 'N': out.PutNumber(double(n_ % 100000) / 4); break;
      case 'D': out.PutDate(fw::Date::FromYmd(2001, 2, 3)); break;
      default: out.PutLogic((n_ & 1) != 0); break;
    }
  }

private:
  char type_;
  uint32_t n_ = 0;
};

double Bulk(const std::string& path, uint32_t records) {
  FreshTable(path);
  std::vector<SimpleSource> sources;
  for (const auto& f : kFields) sources.emplace_back(f.Type);
  std::vector<fw::ColumnPlan> plans;
  for (size_t i = 0; i < kFields.size(); ++i) plans.push_back({int(i + 1), records, &sources[i]});
  auto start = Clock::now();
  fw::DBServer table(path, false, false);
  if (!table.AppendRecords(records, plans)) std::abort();
  table.Close();
  return Seconds(start);
}

double WallNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The engine's file calls, but a sync returns at once: the engine as it was before it synced.
class NoSyncIo : public fw::FileIo {
public:
  int FDataSync(int) override { return 0; }
};

struct Timing {
  double Wall, Cpu;
};

Timing BulkTimed(const std::string& path, uint32_t records, bool sync) {
  NoSyncIo noSync;
  fw::FileIo* previous = sync ? nullptr : fw::SetFileIo(&noSync);
  const double wall = WallNow(), cpu = Clock::now();
  Bulk(path, records);
  const Timing t{WallNow() - wall, Clock::now() - cpu};
  if (!sync) fw::SetFileIo(previous);
  return t;
}

int SyncCost(uint32_t records, int runs, const std::string& table) {
  std::vector<double> wallSync, wallNo, cpuSync, cpuNo;
  for (int run = 0; run < runs; ++run) {
    // Alternating, so that both see the same state of the shared machine and of its disk.
    const Timing no = BulkTimed(table, records, false);
    const Timing yes = BulkTimed(table, records, true);
    wallNo.push_back(no.Wall);
    cpuNo.push_back(no.Cpu);
    wallSync.push_back(yes.Wall);
    cpuSync.push_back(yes.Cpu);
  }
  std::printf("AppendRecords of %u records of %zu bytes, medians of %d runs\n", records,
              kRecordLength, runs);
  std::printf("%-22s wall %8.4f s (min %8.4f)  CPU %8.4f s\n", "syncs skipped", Median(wallNo),
              *std::min_element(wallNo.begin(), wallNo.end()), Median(cpuNo));
  std::printf("%-22s wall %8.4f s (min %8.4f)  CPU %8.4f s  %5.2f x wall\n", "synced",
              Median(wallSync), *std::min_element(wallSync.begin(), wallSync.end()),
              Median(cpuSync), Median(wallSync) / Median(wallNo));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t records = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const bool bulkOnly = argc > 3 && std::string(argv[3]) == "bulk";
  const bool syncOnly = argc > 3 && std::string(argv[3]) == "sync";
  const std::string folder = (std::filesystem::temp_directory_path() / "bench_dbf_engine").string();
  std::filesystem::create_directories(folder);
  const std::string raw = folder + "/raw.bin", table = folder + "/table.dbf";
  if (syncOnly) {
    const int rc = SyncCost(records, runs, table);
    std::filesystem::remove_all(folder);
    return rc;
  }

  std::vector<double> rawTimes, appendTimes, bulkTimes;
  std::vector<std::vector<double>> sweepTimes(kFields.size());
  for (int run = 0; run < runs; ++run) {
    rawTimes.push_back(RawWrite(raw, records));
    if (bulkOnly) {
      bulkTimes.push_back(Bulk(table, records));
      continue;
    }
    appendTimes.push_back(AppendBlank(table, records));
    for (size_t f = 0; f < kFields.size(); ++f) sweepTimes[f].push_back(Sweep(table, f));
    bulkTimes.push_back(Bulk(table, records));
  }
  const double rawMedian = Median(rawTimes);
  std::printf("records: %u of %zu bytes, median CPU time of %d runs\n", records, kRecordLength,
              runs);
  std::printf("%-22s %8.3f s\n", "raw write", rawMedian);
  if (bulkOnly) {
    std::printf("%-22s %8.3f s  %5.2f x raw\n", "AppendRecords (8 src)", Median(bulkTimes),
                Median(bulkTimes) / rawMedian);
    return 0;
  }
  std::printf("%-22s %8.3f s  %5.2f x raw  (target <= 2)\n", "append (blank)",
              Median(appendTimes), Median(appendTimes) / rawMedian);
  for (size_t f = 0; f < kFields.size(); ++f) {
    std::string label = "sweep " + kFields[f].Name;
    std::printf("%-22s %8.3f s  %5.2f x raw  (target <= 3)\n", label.c_str(),
                Median(sweepTimes[f]), Median(sweepTimes[f]) / rawMedian);
  }
  std::printf("%-22s %8.3f s  %5.2f x raw\n", "AppendRecords (8 src)", Median(bulkTimes),
              Median(bulkTimes) / rawMedian);
  std::printf("peak RSS (VmHWM): %.1f MiB  (target < 64)\n", PeakRssKiB() / 1024.0);
  std::filesystem::remove_all(folder);
  return 0;
}
