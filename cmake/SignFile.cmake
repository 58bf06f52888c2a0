# cmake -DOSSLSIGNCODE=... -DFILE=... -DARGUMENTS=<arguments separated by |> -P SignFile.cmake
# Signs FILE in place. A file that could not be signed is removed, so that
# the next build links and signs it again rather than ship it unsigned.
string(REPLACE "|" ";" ARGUMENTS "${ARGUMENTS}")
execute_process(COMMAND ${OSSLSIGNCODE} sign ${ARGUMENTS} -in ${FILE} -out ${FILE}.signed RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${FILE} ${FILE}.signed)
    message(FATAL_ERROR "osslsigncode could not sign ${FILE}; it is removed")
endif()
file(RENAME ${FILE}.signed ${FILE})
# osslsigncode writes a new file without the run bit.
file(CHMOD ${FILE} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
