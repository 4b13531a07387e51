// The trailer a bank chunk carries after its program records: the program that was current when
// the bank was saved, so that loading the bank makes it current again whatever program the host
// selected before. Two big-endian 32-bit words: the tag 'cPrg', then the program index. A bank
// saved without it is the records alone and still loads.
#pragma once

#include "VstAbi.h"
#include "engine/ByteOrder.h"

#include <cstddef>

namespace vst {

inline constexpr VstInt32 kBankTrailerTag = fourCharCode("cPrg");
inline constexpr std::size_t kBankTrailerBytes = 8;

// Writes kBankTrailerBytes bytes at out.
inline void storeBankTrailer(VstInt32 program, unsigned char* out) {
    storeBigEndian32(static_cast<std::uint32_t>(kBankTrailerTag), out);
    storeBigEndian32(static_cast<std::uint32_t>(program), out + 4);
}

enum class BankTrailer {
    Absent,  // no tag: a bank saved without a trailer, or extra bytes of another layout
    Cut,     // the tag without a whole index: a damaged chunk
    Present, // the program index has been read (its range is the effect's to check)
};

// Reads the `bytes` bytes that follow a bank's records (bytes may be 0).
inline BankTrailer readBankTrailer(const unsigned char* in, std::size_t bytes, VstInt32& program) {
    if (bytes < 4 || loadBigEndian32(in) != static_cast<std::uint32_t>(kBankTrailerTag))
        return BankTrailer::Absent;
    if (bytes < kBankTrailerBytes)
        return BankTrailer::Cut;
    program = static_cast<VstInt32>(loadBigEndian32(in + 4));
    return BankTrailer::Present;
}

} // namespace vst
