#pragma once
// The About box: the product's picture, a link to the maker's web site, and Close.

void AboutBox();
