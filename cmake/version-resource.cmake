# Hands the project version to the resource compiler, for the program's version information.
# Read right after project(Logger32Vexal) through CMAKE_PROJECT_Logger32Vexal_INCLUDE, which
# the Windows toolchain file sets.
add_compile_definitions(
  $<$<COMPILE_LANGUAGE:RC>:VEXAL_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}>
  $<$<COMPILE_LANGUAGE:RC>:VEXAL_VERSION_MINOR=${PROJECT_VERSION_MINOR}>
  $<$<COMPILE_LANGUAGE:RC>:VEXAL_VERSION_PATCH=${PROJECT_VERSION_PATCH}>)
