// Reading scale.ini: any bytes give sixteen values or "Invalid numeric input", and values that were
// read are written and read back unchanged (also those outside 0..4). Input: the bytes of scale.ini.
#include <stdexcept>

#include "FuzzSupport.h"
#include "core/ScaleMemory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const erp::fuzz::MemoryFile file(erp::fuzz::Bytes(data, size));
  erp::ScaleMemory memory{};
  try {
    erp::LoadScaleMemory(memory, file.Path());
  } catch (const std::runtime_error& e) {
    FUZZ_CHECK(std::string_view(e.what()) == "Invalid numeric input");
    return 0;
  }
  const erp::fuzz::MemoryFile written(erp::ScaleMemoryText(memory));
  erp::ScaleMemory back{};
  erp::LoadScaleMemory(back, written.Path());
  FUZZ_CHECK(back == memory);
  return 0;
}
