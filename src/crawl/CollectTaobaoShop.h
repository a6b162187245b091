#pragma once

struct CollectContext;

// Walks the shop at state.shopUrl, hands every item to its parser, and runs the stop command
// (ctx.stop()) at the end.
void CollectTaobaoShop(CollectContext& ctx);
