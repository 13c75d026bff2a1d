# Fails when a tool that the Windows tests need was not found when the build
# was configured. Run with cmake -P; MISSING (a list, maybe empty) is given
# with -D.
if(MISSING)
  string(REPLACE ";" ", " names "${MISSING}")
  message(FATAL_ERROR "The Windows tests cannot run: not found: ${names}. "
                      "scripts/install-deps.sh installs them; configure again afterwards.")
endif()
