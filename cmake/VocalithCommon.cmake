# Flags shared by every target of our own.

if(VOCALITH_SANITIZE)
  add_compile_options(-fsanitize=${VOCALITH_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VOCALITH_SANITIZE})
endif()

# Without -fno-math-errno gcc turns lrintf into a library call per sample.
add_compile_options(-fno-math-errno)
# The same bytes out on every processor: gcc fuses a * b + c into one
# rounding where the processor has an instruction for it (every AArch64),
# which x86-64 without FMA does not.
add_compile_options(-ffp-contract=off)

# Every warning in our own code; errors only when asked (CI asks).
function(vocalith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VOCALITH_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
