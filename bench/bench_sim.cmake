# Wall time of exchanges over the pty simulator with the real port and clock.
add_executable(bench_sim ${CMAKE_CURRENT_SOURCE_DIR}/bench_sim.cpp)
target_link_libraries(bench_sim PRIVATE sim link benchmark::benchmark)
