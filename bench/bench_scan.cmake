# The scan of 32 addresses: standard and fast, in virtual and in real time.
add_executable(bench_scan ${CMAKE_CURRENT_SOURCE_DIR}/bench_scan.cpp)
target_link_libraries(bench_scan PRIVATE sim link benchmark::benchmark)
