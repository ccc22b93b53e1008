# Range calculation: one calculation per shipped table and range, beside the
# plain row-by-row method and the exact least-squares optimum.
add_executable(bench_range
  ${CMAKE_CURRENT_SOURCE_DIR}/bench_range.cpp
  ${PROJECT_SOURCE_DIR}/tests/range/ReferenceFit.cpp
)
target_include_directories(bench_range PRIVATE ${PROJECT_SOURCE_DIR}/tests/range)
set_target_properties(bench_range PROPERTIES AUTOMOC OFF)
target_link_libraries(bench_range PRIVATE rangecalc benchmark::benchmark)
target_compile_definitions(bench_range PRIVATE TSERVICE_TABLES_DIR="${PROJECT_SOURCE_DIR}/tables")
target_compile_options(bench_range PRIVATE -ffp-contract=off)
