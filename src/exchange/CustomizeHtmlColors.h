#pragma once
// The colours of the generated web pages, shown on a sample page and chosen one by one with
// the colour dialog or all put back to their defaults, and (through HtmlEmbedPointsDialog)
// the host's own HTML on every page. Both edit the web settings directly: a change holds at
// once and there is no cancel. Each returns when its window closes.
void CustomizeHtmlColors();
void HtmlEmbedPointsDialog();
