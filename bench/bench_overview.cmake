# One round of the line overview over 32 simulated transmitters.
add_executable(bench_overview ${CMAKE_CURRENT_SOURCE_DIR}/bench_overview.cpp)
target_link_libraries(bench_overview PRIVATE appcore sim link benchmark::benchmark)
