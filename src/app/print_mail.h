// Printing on one page and handing the picture to the mail program.
#pragma once

#include <map>
#include <string>

#include "app/services.h"
#include "image/picture.h"
#include "text/texts.h"

namespace drollo {

// Where a w x h picture goes on a page of pageWidth x pageHeight device pixels: enlarged by the
// first power of two at which its height reaches half the page height or its width half the
// page width (the height tested first; the halves are integer divisions), then centred, the
// left and top edges truncated towards zero. A picture already that large keeps its size and may
// stand out of the page. An empty rectangle for a picture of width or height 0.
Rect PrintLayout(int width, int height, int pageWidth, int pageHeight);

// The named text values of a mail request: "to", "subject", "body", "attachment0", "attachment1"...
using NamedValues = std::map<std::string, std::string>;

// The message the named values describe: one "to" recipient ("SMTP:" and the value as its
// address) if "to" has a value; the attachments "attachment0", "attachment1", ... in order up to
// the first name without a value, each with the part of its path after the last folder
// separator as its file name; the subject and text from "subject" and "body".
MailMessage BuildMapiMessage(const NamedValues& values);
// Hands the message to the mail program and returns its result; 1 when there is none.
int SendMapiMail(MailProgram* mail, const NamedValues& values);

inline constexpr const char* kMailSubject =
    DROLLO_TEXT("TForm1", "Tell you a great software--Drollo.");
// Where the program's installer can be downloaded, named in the mail's text.
inline constexpr const char* kInstallerAddress =
    "https://www.drollo.org/download/drollo-setup.tar.gz";
// The mail's text: seven lines joined by CR LF, none after the last; in the interface's language.
std::string MailBody(const TextLookup& texts = SourceTexts());

// The folder for the program's own files of this user: $XDG_DATA_HOME/drollo, or
// ~/.local/share/drollo when XDG_DATA_HOME is unset or not absolute.
std::string UserDataFolder();

}  // namespace drollo
