#pragma once
// Serial port names the link accepts on the system the tests run on; the
// simulated ports behind them open nothing.
namespace tservice::testing {

#ifdef _WIN32
inline constexpr const char* kSerialName = "COM1";
inline constexpr const char* kOtherSerialName = "COM2";
#else
inline constexpr const char* kSerialName = "ttyS0";
inline constexpr const char* kOtherSerialName = "ttyS1";
#endif

}  // namespace tservice::testing
