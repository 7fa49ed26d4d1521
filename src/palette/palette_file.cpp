#include "palette_file.hpp"

#include "fault.hpp"
#include "file_stream.hpp"

namespace velmora {
namespace {

constexpr size_t kSlotOffset = 1;
constexpr size_t kSlotSize = 4;

MarkedIndex SlotAt(const std::vector<uint8_t>& bytes, int32_t slot) {
    const size_t at = kSlotOffset + kSlotSize * static_cast<size_t>(slot - 1);
    return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}

}  // namespace

PaletteFileRecord EncodePaletteFile(const MarkedIndexList& marks) {
    PaletteFileRecord record{};
    record[0] = static_cast<uint8_t>(marks.count);
    for (int32_t j = 1; j <= marks.count; ++j) {
        const MarkedIndex& m = marks.at(j);
        const size_t at = kSlotOffset + kSlotSize * static_cast<size_t>(j - 1);
        record[at] = m.index;
        record[at + 1] = m.red;
        record[at + 2] = m.green;
        record[at + 3] = m.blue;
    }
    return record;
}

MarkedIndexList DecodePaletteFile(const std::vector<uint8_t>& bytes, const MarkedIndexList& current) {
    if (bytes.size() < kPaletteFileSize) throw FaultError(FaultKind::InputOutput, "100");
    const int32_t count = bytes[0];
    if (const std::string fault = MarkRecordsFault(count, bytes.data() + kSlotOffset); !fault.empty())
        throw PaletteFileError(fault);
    MarkedIndexList marks = current;
    marks.count = count;
    for (int32_t j = 1; j <= count; ++j) marks.at(j) = SlotAt(bytes, j);
    return marks;
}

MarkedIndexList LoadPaletteFile(const std::string& path, const MarkedIndexList& current) {
    // Only the record's bytes are read, whatever follows them.
    std::vector<uint8_t> bytes(kPaletteFileSize);
    FileSource file(path);
    bytes.resize(file.read(bytes.data(), bytes.size()));
    try {
        return DecodePaletteFile(bytes, current);
    } catch (const PaletteFileError& e) {
        throw PaletteFileError(path + " is not a usable palette file: " + e.what());
    }
}

void SavePaletteFile(const std::string& path, const MarkedIndexList& marks) {
    const PaletteFileRecord record = EncodePaletteFile(marks);
    FileSink file(path);
    file.write(record.data(), record.size());
    file.commit();
}

}  // namespace velmora
