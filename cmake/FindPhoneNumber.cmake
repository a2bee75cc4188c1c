# Finds Google's libphonenumber and its offline geocoder as Debian ships them
# (libphonenumber-dev carries no pkg-config or CMake package file).
# Defines PhoneNumber::PhoneNumber and PhoneNumber::Geocoding.
find_path(PhoneNumber_INCLUDE_DIR phonenumbers/phonenumberutil.h)
find_library(PhoneNumber_LIBRARY NAMES phonenumber)
find_library(PhoneNumber_GEOCODING_LIBRARY NAMES geocoding)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(PhoneNumber
  REQUIRED_VARS PhoneNumber_LIBRARY PhoneNumber_GEOCODING_LIBRARY PhoneNumber_INCLUDE_DIR)

if(PhoneNumber_FOUND AND NOT TARGET PhoneNumber::PhoneNumber)
  add_library(PhoneNumber::PhoneNumber UNKNOWN IMPORTED)
  set_target_properties(PhoneNumber::PhoneNumber PROPERTIES
    IMPORTED_LOCATION "${PhoneNumber_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${PhoneNumber_INCLUDE_DIR}")
  add_library(PhoneNumber::Geocoding UNKNOWN IMPORTED)
  set_target_properties(PhoneNumber::Geocoding PROPERTIES
    IMPORTED_LOCATION "${PhoneNumber_GEOCODING_LIBRARY}"
    INTERFACE_LINK_LIBRARIES "PhoneNumber::PhoneNumber;ICU::uc;ICU::i18n")
endif()
mark_as_advanced(PhoneNumber_INCLUDE_DIR PhoneNumber_LIBRARY PhoneNumber_GEOCODING_LIBRARY)
