package test.lib.internal;

public class Hidden {}
