#pragma once

#include <cstdint>

// libmseed 2.19 exports its sample decoders without declaring them in <libmseed.h>. Lengths are
// taken as 64-bit, which also suits a callee that reads only the low 32 bits. Each returns the
// number of samples decoded, negative on error; swapflag 1 reads big-endian data on this host.
extern "C" {
int msr_decode_int16(std::int16_t* input, std::int64_t samplecount, std::int32_t* output,
                     std::int64_t outputlength, int swapflag);
int msr_decode_int32(std::int32_t* input, std::int64_t samplecount, std::int32_t* output,
                     std::int64_t outputlength, int swapflag);
int msr_decode_steim1(std::int32_t* input, std::int64_t inputlength, std::int64_t samplecount,
                      std::int32_t* output, std::int64_t outputlength, char* srcname, int swapflag);
int msr_decode_steim2(std::int32_t* input, std::int64_t inputlength, std::int64_t samplecount,
                      std::int32_t* output, std::int64_t outputlength, char* srcname, int swapflag);
}
