#include "fiscal/ead_signing.h"

namespace balcora::fiscal {

// The program's signing key. The regulation has the program carry it: the
// signature says which program wrote a file, not who ran it, and the public
// half is published beside the files (public_key_file()).
const char* signing_modulus() {
    return "B439206C85BA97235D4ED1D89B2F033435DBD9CC779C971FDD0E5BE59E266203A55389947CBF78C0B7FF3B"
           "4CCDFA7B425575BC3AAE6320D1550B646343D636342D9F5A1C8F46AC8C8BAC01AB16C4583AD097868EDCD0"
           "0DF69C9B0DD11B832765E93257B145D18DC6ED680C6747EA1552F6B5AA3ADB88F8BAAA80B82C79A0C78B";
}

const char* signing_private_exponent() {
    return "3501BE3E0936E12884DAF26CE2591F0F5B228B5A414C2C72C88BC0ACF247863D4EBE37860692AB0B81692F"
           "8F0F67C9E6555EDD02334A54F2463086F004E4A68752D5240280BCABF9A36C8B77367A99D7D8413AA9FD26"
           "5EB39EEB1F3B7AB726360B9B6A2F234802312BA886C9B5C4048D0A40D5F09785D9CD41BED74DFD5985C1";
}

const char* signing_public_exponent() {
    return "11";
}

}  // namespace balcora::fiscal
