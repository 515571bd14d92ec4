# The keys the installer is built with. Every one is a configure-time input naming a file:
#
#   VORLEX_TRUSTED_LIST_KEY_0 .. _9  public keys of the trusted-certificate list, one per slot
#                                    (the slot is the index a setup's SIGNATURE.DAT names);
#                                    1024-bit RSA, PEM or DER SubjectPublicKeyInfo
#   VORLEX_BRAND_SIGNING_KEY         private key that signs the brand and partner packages;
#                                    1024-bit RSA, PEM (PKCS #1 or PKCS #8, unencrypted)
#   VORLEX_MSI_OVERRIDE_KEY          public key of the MSI partner override; 2048-bit RSA, PEM or
#                                    DER SubjectPublicKeyInfo
#
# The top-level CMakeLists.txt sets vorlex_test_keys_allowed: only in builds with loopback
# endpoints (and the native test build). Such a build given none of the inputs uses the test PKI
# of its build tree (tools/stand_in_setup/make_test_pki.py); given any, it takes them like a
# release build (the release rehearsal does this). Every other build needs the brand key, the
# override key and at least one list slot, and refuses keys from a folder marked TEST_ONLY. No key is ever made
# up on the way: what the build signs and carries is what was given or the test PKI.
#
# Results: the generated headers in ${vorlex_key_include} (trust_keys.inc, msi_override_key.inc)
# and vorlex_brand_signing_key, the file the package builder signs with.

set(vorlex_key_inputs VORLEX_BRAND_SIGNING_KEY VORLEX_MSI_OVERRIDE_KEY)
set(VORLEX_BRAND_SIGNING_KEY "" CACHE FILEPATH
    "Brand and partner package signing key: 1024-bit RSA private key, PEM")
set(VORLEX_MSI_OVERRIDE_KEY "" CACHE FILEPATH
    "MSI partner override key: 2048-bit RSA public key, PEM or DER SubjectPublicKeyInfo")
foreach(slot RANGE 9)
  set(VORLEX_TRUSTED_LIST_KEY_${slot} "" CACHE FILEPATH
      "Trusted-list key of slot ${slot}: 1024-bit RSA public key, PEM or DER SubjectPublicKeyInfo")
  list(APPEND vorlex_key_inputs VORLEX_TRUSTED_LIST_KEY_${slot})
endforeach()

find_program(VORLEX_OPENSSL openssl REQUIRED)
set(vorlex_key_include ${CMAKE_BINARY_DIR}/keys)
file(MAKE_DIRECTORY ${vorlex_key_include})

set(vorlex_keys_given FALSE)
foreach(input ${vorlex_key_inputs})
  if(${input})
    set(vorlex_keys_given TRUE)
  endif()
endforeach()

if(vorlex_test_keys_allowed AND NOT vorlex_keys_given)
  # Test keys: made once per build tree, kept across reconfigures, never committed.
  set(vorlex_test_pki ${CMAKE_BINARY_DIR}/test_pki)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_SOURCE_DIR}/tools/stand_in_setup/make_test_pki.py)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/stand_in_setup/make_test_pki.py ${vorlex_test_pki}
    RESULT_VARIABLE pki_result)
  if(NOT pki_result EQUAL 0)
    message(FATAL_ERROR "make_test_pki.py failed (${pki_result})")
  endif()
  set(vorlex_brand_signing_key ${vorlex_test_pki}/brand_signing_key.pem)
  set(vorlex_msi_override_key ${vorlex_test_pki}/msi_override_key.spki.der)
  foreach(slot RANGE 9)
    set(vorlex_trusted_list_key_${slot} ${vorlex_test_pki}/trust_key${slot}.spki.der)
  endforeach()
else()
  set(missing)
  if(NOT VORLEX_BRAND_SIGNING_KEY)
    list(APPEND missing "  VORLEX_BRAND_SIGNING_KEY: brand and partner package signing key (1024-bit RSA private key, PEM)")
  endif()
  if(NOT VORLEX_MSI_OVERRIDE_KEY)
    list(APPEND missing "  VORLEX_MSI_OVERRIDE_KEY: MSI partner override key (2048-bit RSA public key, PEM or DER)")
  endif()
  set(slots_given 0)
  foreach(slot RANGE 9)
    if(VORLEX_TRUSTED_LIST_KEY_${slot})
      math(EXPR slots_given "${slots_given} + 1")
    endif()
  endforeach()
  if(slots_given EQUAL 0)
    list(APPEND missing "  VORLEX_TRUSTED_LIST_KEY_0 .. VORLEX_TRUSTED_LIST_KEY_9: trusted-list keys, at least one slot (1024-bit RSA public keys, PEM or DER)")
  endif()
  if(missing)
    list(JOIN missing "\n" missing_text)
    message(FATAL_ERROR "A build without loopback endpoints is built with the distribution's own keys; "
                        "missing inputs:\n${missing_text}\n"
                        "Give each as -D<NAME>=<file> (scripts/release --keys DIR does this; see docs/release.md).")
  endif()
  foreach(input ${vorlex_key_inputs})
    if(NOT ${input})
      continue()
    endif()
    if(NOT EXISTS "${${input}}")
      message(FATAL_ERROR "${input}: no such file: ${${input}}")
    endif()
    get_filename_component(key_folder "${${input}}" DIRECTORY)
    if(NOT vorlex_test_keys_allowed AND EXISTS "${key_folder}/TEST_ONLY")
      message(FATAL_ERROR "${input}: ${${input}} is a test key of a loopback build (its folder is marked TEST_ONLY)")
    endif()
  endforeach()
  set(vorlex_brand_signing_key ${VORLEX_BRAND_SIGNING_KEY})
  set(vorlex_msi_override_key ${VORLEX_MSI_OVERRIDE_KEY})
  foreach(slot RANGE 9)
    set(vorlex_trusted_list_key_${slot} ${VORLEX_TRUSTED_LIST_KEY_${slot}})
  endforeach()
endif()

# vorlex_public_key_der(<input name> <file> <DER size> <out file>): the key as DER
# SubjectPublicKeyInfo of the size its RSA modulus gives; stops the configure otherwise.
function(vorlex_public_key_der input file size out)
  foreach(form "" DER)
    set(inform)
    if(form)
      set(inform -inform ${form})
    endif()
    execute_process(COMMAND ${VORLEX_OPENSSL} pkey -pubin ${inform} -in ${file} -outform DER -out ${out}
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(result EQUAL 0)
      break()
    endif()
  endforeach()
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${input}: ${file} is not a public key in PEM or DER (SubjectPublicKeyInfo)")
  endif()
  file(SIZE ${out} actual)
  if(NOT actual EQUAL size)
    message(FATAL_ERROR "${input}: ${file} is not the expected RSA key (its SubjectPublicKeyInfo has ${actual} bytes, not ${size})")
  endif()
endfunction()

set(vorlex_key_work ${CMAKE_BINARY_DIR}/keys/der)
file(MAKE_DIRECTORY ${vorlex_key_work})

# Trusted-list slots: Base64 of the DER form, an empty text for a slot without a key.
set(trust_text "// Generated by cmake/keys.cmake from the build's key inputs.\n")
foreach(slot RANGE 9)
  set(file "${vorlex_trusted_list_key_${slot}}")
  if(file)
    vorlex_public_key_der(VORLEX_TRUSTED_LIST_KEY_${slot} ${file} 162 ${vorlex_key_work}/trusted_list_key_${slot}.der)
    execute_process(COMMAND ${VORLEX_OPENSSL} base64 -A -in ${vorlex_key_work}/trusted_list_key_${slot}.der
                    OUTPUT_VARIABLE base64 RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "openssl base64 failed")
    endif()
    string(APPEND trust_text "\"${base64}\",\n")
  else()
    string(APPEND trust_text "\"\",\n")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${vorlex_key_include}/trust_keys.inc CONTENT "${trust_text}")

vorlex_public_key_der(VORLEX_MSI_OVERRIDE_KEY ${vorlex_msi_override_key} 294 ${vorlex_key_work}/msi_override_key.der)
file(READ ${vorlex_key_work}/msi_override_key.der hex HEX)
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
file(CONFIGURE OUTPUT ${vorlex_key_include}/msi_override_key.inc
     CONTENT "// Generated by cmake/keys.cmake from the build's key inputs.\n${bytes}\n")

# The brand key is private: check that it is one, and of the size the signature line needs.
execute_process(COMMAND ${VORLEX_OPENSSL} pkey -in ${vorlex_brand_signing_key} -pubout -outform DER
                        -out ${vorlex_key_work}/brand_signing_key.pub.der
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "VORLEX_BRAND_SIGNING_KEY: ${vorlex_brand_signing_key} is not an unencrypted private key in PEM")
endif()
file(SIZE ${vorlex_key_work}/brand_signing_key.pub.der actual)
if(NOT actual EQUAL 162)
  message(FATAL_ERROR "VORLEX_BRAND_SIGNING_KEY: ${vorlex_brand_signing_key} is not a 1024-bit RSA key")
endif()
file(REMOVE ${vorlex_key_work}/brand_signing_key.pub.der)
