#pragma once
// The archive explorer's archive access: the listing-all variant, answering its questions
// with the explorer's message boxes.
#include "Unzip.h"

namespace fragdeck::archive
{

class ExplorerUnzip : public UnzipModule
{
public:
    ExplorerUnzip();
};

} // namespace fragdeck::archive
