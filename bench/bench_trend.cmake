# The trend of 24 h of 3 s polling: decimation alone, and the panel's redraw
# with the chart painted offscreen.
add_executable(bench_trend ${CMAKE_CURRENT_SOURCE_DIR}/bench_trend.cpp)
target_link_libraries(bench_trend PRIVATE appui testsupport benchmark::benchmark)
