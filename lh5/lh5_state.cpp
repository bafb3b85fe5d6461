// The decoder's single state record and the start of a record.
#include "lh5_decoder.h"

// Static for the life of the process and reused for every record; the tables,
// trees and window are never cleared between records.
Lh5DecoderState Lh5Decoder;

// Prepares the decoder for a record whose input, inputLimit and error the
// caller has set: starts the bit reader and forgets any block or match left
// over from the previous record.
void Lh5Start(void)
{
    Lh5InitBits();
    Lh5Decoder.blockRemaining = 0;
    Lh5Decoder.copyRemaining = 0;
}
