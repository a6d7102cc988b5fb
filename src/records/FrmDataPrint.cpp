// Not written yet: the batch print of the selected properties fills this in.
#include "records/FrmData.h"

namespace ie {

void FrmData::CmdPrint_Click() {}

}  // namespace ie
