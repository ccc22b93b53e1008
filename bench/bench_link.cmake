# CPU cost of the exchange protocol, in virtual time.
add_executable(bench_link ${CMAKE_CURRENT_SOURCE_DIR}/bench_link.cpp)
target_link_libraries(bench_link PRIVATE link benchmark::benchmark)
