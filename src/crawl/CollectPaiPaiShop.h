#pragma once

struct CollectContext;

// Walks the shop at state.shopUrl, hands every item to its parser, and runs the stop command
// (ctx.stop()) at the end.
void CollectPaiPaiShop(CollectContext& ctx);

// List pages walked for a shop reporting itemTotal items: the total over 40 per page, halves
// rounded to the even neighbour, plus one.
int PaiPaiListPageCount(double itemTotal);
