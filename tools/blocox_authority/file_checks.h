#pragma once

#include <libxml/tree.h>

#include <string>

namespace blocox {

// The order of the elements and the form of every value of a Z-reduction
// ("ReducaoZ"), stock ("Estoque"), upkeep ("Manutencao": a receipt to query,
// cancel or reprocess) or request document (pendencies, list, history,
// download), as the authority accepts them. The enveloped signature, last child of the root, is
// the signature check's business and is skipped here. Empty when the document
// is sound, else the first fault, naming the element.
std::string check_document(xmlNode* root);

// What makes two documents the same file for the authority: a Z reduction is
// one printer's CRZ of one day, a stock file one establishment's reference day.
std::string identity_of(xmlNode* root);

}  // namespace blocox
