int seqgetTestSupportAnchor = 0;
