#pragma once

#include <string_view>

namespace balcora::blocox {

// The e-mail notice of files still pending, sent at start-up when a send run
// left the notice due: a short HTML text written to c:\sistemas\email.txt
// and mailed through the installation's relay to the "Email" setting of
// "PAF-ECF" (`default_recipient` when that is blank). True when nothing was
// due or the notice went; false after the failure was shown.
bool mail_pending_notice(int id_maqecf, int id_empresa, std::string_view default_recipient);

// Start-up: the sending of pending files (each action only when something of
// its kind is pending), then the notice.
void send_pending_at_start(int id_maqecf, int id_empresa);

}  // namespace balcora::blocox
