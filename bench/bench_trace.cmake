# What watching the line costs per reading: no listener, the command-line
# trace, the journal panel holding 10 000 exchanges.
add_executable(bench_trace ${CMAKE_CURRENT_SOURCE_DIR}/bench_trace.cpp)
target_link_libraries(bench_trace PRIVATE appui cli sim benchmark::benchmark)
