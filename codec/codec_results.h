#pragma once
// Results of the codec. Encoding and decoding a trusted frame cannot fail; only a frame from
// the network can be refused.

// decodeReceivedFrame: a step index above 88 or a sample count outside 0..500.
constexpr int CODEC_FRAME_REFUSED = -1;
